#!/usr/bin/env python3
"""raw_convert end to end: PM/Raw_Data.Txt byte for byte, the screen
(replayed from the piped output, and in a real terminal) and the failures.

Every expected line is worked out by hand from the column rules: latitude
and longitude with 8 decimals in 12 characters, depth with 2 in 6, hour and
minute in 2, second with 2 in 5, one blank between the columns, CR LF; a
value too wide for its column takes the room it needs."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows, piped_screen  # noqa: E402
from survey_test import SurveyCase, TerminalCase, crlf  # noqa: E402

OLD_DATA = crlf(" 41.00000000  26.00000000   1.00  1  1  1.00")


def screen_rows(records=None, finished=True):
    texts = {
        5: "    Lat Lon Depth Hour Min Sec ... ",
        7: "    Read   PM/Raw.Txt",
        8: "    Write  PM/Raw_Data.Txt",
    }
    if records is not None:
        texts[10] = "    Records: " + str(records).rjust(6)
    if finished:
        texts[12] = "      Press Enter  ... "
    return expected_rows(texts)


# (input record, output line) pairs.
EXAMPLE = ("42.5 27.123 5.3 0 0 0 9 5 3.25",
           " 42.50000000  27.12300000   5.30  9  5  3.25")
RECORDS = [
    EXAMPLE,
    # negative values inside their columns, depth 0
    ("-9.87654321 -0.5 0 1 2 3 23 59 0", " -9.87654321  -0.50000000   0.00 23 59  0.00"),
    # a second of 59.999 rounds to 60.00; the minute stays
    ("42.4991 27.4987 8.765 1 8 0 10 7 59.999", " 42.49910000  27.49870000   8.77 10  7 60.00"),
    # too wide for their columns: the rest of the line moves right
    ("-42.5 -127.123 1234.567 1 2 3 123 4567 123.456",
     "-42.50000000 -127.12300000 1234.57 123 4567 123.46"),
]


class RawConvertCase(SurveyCase):
    def convert(self, raw, code=0):
        self.survey.write("PM/Raw.Txt", raw)
        run = self.run_ending("raw_convert", b"\n", code)
        return run, piped_screen(run.stdout)[0]


class Conversion(RawConvertCase):
    def test_example_line_is_44_characters(self):
        run, rows = self.convert(crlf(EXAMPLE[0]))
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), crlf(EXAMPLE[1]))
        self.assertEqual(len(EXAMPLE[1]), 44)
        self.assert_rows(rows, screen_rows(1))

    def test_columns_widths_and_rounding(self):
        raw = crlf(*(r for r, _ in RECORDS))
        run, rows = self.convert(raw)
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), crlf(*(line for _, line in RECORDS)))
        self.assert_rows(rows, screen_rows(len(RECORDS)))

    def test_fields_are_read_free_format(self):
        example = crlf(EXAMPLE[1])
        cases = {
            "extra fields after the ninth": b"42.5 27.123 5.3 0 0 0 9 5 3.25 12 GPS 1,5 ;\r\n",
            "tabs and blanks": b"\t42.5  27.123\t5.3 0 0 0 09 05 3.25\r\n",
            "a record over three lines": b"42.5 27.123\r\n5.3 0 0 0\r\n9 5 3.25 x\r\n",
            "LF only": b"42.5 27.123 5.3 0 0 0 9 5 3.25\n",
            "no line end at the end": b"42.5 27.123 5.3 0 0 0 9 5 3.25",
            # the three dropped integers and hour and minute are words: hex
            # after $, x or 0x, binary after %, octal after &, a plus sign,
            # the value modulo 65536 (65545 -> 9)
            "words in hex and other bases": b"42.5 27.123 5.3 $FF %101 &17 x9 0X05 3.25\r\n",
            "words with a plus sign, modulo 65536": b"42.5 27.123 5.3 +1 70000 0x1F 65545 +5 3.25\r\n",
        }
        for name, raw in cases.items():
            with self.subTest(name):
                run, rows = self.convert(raw)
                self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), example)
                self.assert_rows(rows, screen_rows(1))


class Failures(RawConvertCase):
    def test_bad_fields_stop_the_tool_with_the_lines_before_written(self):
        first = crlf(RECORDS[1][0])
        cases = {
            # the dropped integers are read as words, not reals
            "a dropped integer with a decimal point": b"42.5 27.5 8.1 1.5 2 3 10 7 1.0\r\n",
            "a negative word": b"42.5 27.5 8.1 1 -2 3 10 7 1.0\r\n",
            "an hour in hex without its mark": b"42.5 27.5 8.1 1 2 3 0A 7 1.0\r\n",
            "a comma in a real": b"42,5 27.5 8.1 1 2 3 10 7 1.0\r\n",
        }
        for name, bad in cases.items():
            with self.subTest(name):
                run, rows = self.convert(first + bad, code=106)
                self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), crlf(RECORDS[1][1]))
                self.assert_rows(rows, screen_rows(1, finished=False))

    def test_empty_line_after_the_last_record(self):
        raw = crlf(*(r for r, _ in RECORDS)) + b"\r\n"
        run, rows = self.convert(raw, code=106)
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), crlf(*(line for _, line in RECORDS)))
        self.assert_rows(rows, screen_rows(len(RECORDS), finished=False))

    def test_empty_input(self):
        run, rows = self.convert(b"", code=106)
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), b"")
        self.assert_rows(rows, screen_rows(finished=False))

    def test_missing_input_leaves_an_older_output(self):
        self.survey.write("PM/Raw_Data.Txt", OLD_DATA)
        run = self.survey.run("raw_convert")
        self.assert_runtime_error(run, 2)
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), OLD_DATA)
        self.assert_rows(piped_screen(run.stdout)[0], screen_rows(finished=False))

    def test_missing_pm_folder(self):
        os.rmdir(self.survey.path("PM"))
        run = self.survey.run("raw_convert")
        self.assert_runtime_error(run, 3)


class Screen(TerminalCase):
    def test_final_screen_in_a_terminal(self):
        self.survey.write("PM/Raw.Txt", crlf(*(r for r, _ in RECORDS)))
        pid = self.term.start("raw_convert")
        self.term.wait_prompt(pid, 12, "Press Enter  ... ")
        self.assertEqual(self.term.screen(), screen_rows(len(RECORDS)), self.term.dump())
        self.assertEqual(self.term.cursor(), (24, 12))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.term.wait_for(self.term.at_shell_prompt, "the shell prompt")
        self.assertEqual(self.term.cursor(), (3, 13), self.term.dump())
        self.assertEqual(self.survey.read("PM/Raw_Data.Txt"), crlf(*(line for _, line in RECORDS)))
        self.assert_terminal_restored()


if __name__ == "__main__":
    unittest.main()
