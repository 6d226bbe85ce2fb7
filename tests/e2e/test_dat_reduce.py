#!/usr/bin/env python3
"""dat_reduce end to end: PM/Out.Txt and Temp/Out.Scr byte for byte, the
screen (replayed from the piped output, and in a real terminal), the text
height typed at its prompt, 0 and the failures.

The expected files are worked out by hand from the rules of the tool:
records with z < 999.0 are copied with two decimals; every label shows the
depth D = -z to the nearest tenth (ties to the even tenth) as the whole part
W = trunc(D) in line A and the tenths digit T = |round((D - W) * 10)| in
line B; the first record is labelled twice, its tenths digit first at 0.7 h,
then at 0.6 h like every later label."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from piped_screen import expected_rows, piped_screen  # noqa: E402
from survey_test import SurveyCase, TerminalCase, crlf  # noqa: E402

OLD_SCRIPT = crlf("osnap off text r 1.00,1.00 1.00 0 9", " 0.50,0.90 0.700 0  9", "zoom e")


def row(label, value=""):
    """A screen row: the label at column 7, a value right-aligned in
    columns 22 to 29."""
    return " " * 6 + label.ljust(15) + value.rjust(8 if value else 0)


def screen_rows(kept="", labels=None, least="", greatest="", finished=True, typed=""):
    """The whole window as dat_reduce leaves it; labels None: the run ended
    at the height prompt."""
    texts = {
        5: "        Reduce DAT file ...",
        7: row("  Points In  : ", kept),
        8: row("  Points Out : "),
        11: "        Write SCR file ...",
        13: "        Text Height: " + typed,
    }
    if labels is not None:
        texts.update({15: row("  Points     :", labels), 17: row("  min Depth  :", least),
                      18: row("  max Depth  :", greatest)})
    if finished:
        texts[22] = "        Finish,   Press ENTER  ..."
    return expected_rows(texts)


# The depth label rules, one record each (x and y step by 10 m): -2.34 -> 2 3;
# -2.25 -> 22.5 tenths, the half to the even 22 -> 2 2; -2.35 -> exactly 23.5
# tenths -> 24 -> 2 4; -0.4 -> 0 4; 2.4 (above the zero level) -> -2 4;
# 0.3 -> D = -0.3, whole part negative zero -> -0 3; 0.96 -> -9.6 tenths ->
# -10 -> -1 0; 0.04 -> -0.4 tenths -> 0 tenths -> D = 0 -> 0 0 (no sign: D is
# a whole number of tenths); -2.346 is written to PM/Out.Txt as -2.35, and
# the label is made from that line: 2 4 (not 2 3). The record at 999.0 is
# dropped and gets no label. Text height 2.5: line B stands 1.25 left and
# 0.25 below line A, with heights 0.7 * 2.5 = 1.750 (first label) and
# 0.6 * 2.5 = 1.500.
WORKED_DAT = crlf(
    "512300.5 4705600.25 -2.34",
    "512310.5 4705610.25 -2.25",
    "512320.5 4705620.25 -2.35",
    "512330.5 4705630.25 -0.4",
    "512335.5 4705635.25 999.0",
    "512340.5 4705640.25 2.4",
    "512350.5 4705650.25 0.3",
    "512360.5 4705660.25 0.96",
    "512370.5 4705670.25 0.04",
    "512380.5 4705680.25 -2.346",
)
WORKED_TXT = crlf(
    "512300.50 4705600.25 -2.34",
    "512310.50 4705610.25 -2.25",
    "512320.50 4705620.25 -2.35",
    "512330.50 4705630.25 -0.40",
    "512340.50 4705640.25 2.40",
    "512350.50 4705650.25 0.30",
    "512360.50 4705660.25 0.96",
    "512370.50 4705670.25 0.04",
    "512380.50 4705680.25 -2.35",
)
WORKED_SCR = crlf(
    "osnap off text r 512300.50,4705600.25 2.50 0 2",
    " 512299.25,4705600.00 1.750 0  3",
    " r 512300.50,4705600.25 2.50 0 2",
    " 512299.25,4705600.00 1.500 0  3",
    " r 512310.50,4705610.25 2.50 0 2",
    " 512309.25,4705610.00 1.500 0  2",
    " r 512320.50,4705620.25 2.50 0 2",
    " 512319.25,4705620.00 1.500 0  4",
    " r 512330.50,4705630.25 2.50 0 0",
    " 512329.25,4705630.00 1.500 0  4",
    " r 512340.50,4705640.25 2.50 0 -2",
    " 512339.25,4705640.00 1.500 0  4",
    " r 512350.50,4705650.25 2.50 0 -0",
    " 512349.25,4705650.00 1.500 0  3",
    " r 512360.50,4705660.25 2.50 0 -1",
    " 512359.25,4705660.00 1.500 0  0",
    " r 512370.50,4705670.25 2.50 0 0",
    " 512369.25,4705670.00 1.500 0  0",
    " r 512380.50,4705680.25 2.50 0 2",
    " 512379.25,4705680.00 1.500 0  4",
    "zoom e",
)
# 9 kept, 10 labels; the least depth is met at 2.25, 0.40 and -2.40 in turn,
# the greatest at 2.35 (the last record, again 2.35, is not beyond it).
WORKED_SCREEN = screen_rows("9", "10", "-2.40", "2.35")


class DatReduceCase(SurveyCase):
    def reduce(self, dat, answers=b"2.5\n\n", code=0):
        """Runs dat_reduce on PM/Out.Dat with the answers piped in; checks
        the exit status; returns the run and its final window."""
        self.survey.write("PM/Out.Dat", dat)
        run = self.run_ending("dat_reduce", answers, code)
        return run, piped_screen(run.stdout)[0]

    def exists(self, rel):
        return os.path.exists(self.survey.path(rel))


class Labels(DatReduceCase):
    def test_worked_example(self):
        run, rows = self.reduce(WORKED_DAT)
        self.assertEqual(self.survey.read("PM/Out.Txt"), WORKED_TXT)
        self.assertEqual(self.survey.read("Temp/Out.Scr"), WORKED_SCR)
        self.assert_rows(rows, WORKED_SCREEN)

    def test_one_record_gets_two_labels(self):
        # D = 3.1 (31.4 tenths -> 31); x - 0.5 = 7.00, y - 0.1 = 8.15.
        run, rows = self.reduce(crlf("7.5 8.25 -3.14"), b"1\n\n")
        self.assertEqual(self.survey.read("PM/Out.Txt"), crlf("7.50 8.25 -3.14"))
        self.assertEqual(self.survey.read("Temp/Out.Scr"), crlf(
            "osnap off text r 7.50,8.25 1.00 0 3",
            " 7.00,8.15 0.700 0  1",
            " r 7.50,8.25 1.00 0 3",
            " 7.00,8.15 0.600 0  1",
            "zoom e"))
        # The only record is both extremes: neither row gets a value.
        self.assert_rows(rows, screen_rows("1", "2"))

    def test_negative_text_height_is_used_as_typed(self):
        # h = -2: line B stands 1 right and 0.2 above line A, in heights
        # 0.7 * -2 = -1.400 and 0.6 * -2 = -1.200. -12.06: 120.6 tenths -> 121
        # -> 12 1.
        run, rows = self.reduce(crlf("10.5 20.25 -3.14", "30 40 -12.06"), b"-2\n\n")
        self.assertEqual(self.survey.read("Temp/Out.Scr"), crlf(
            "osnap off text r 10.50,20.25 -2.00 0 3",
            " 11.50,20.45 -1.400 0  1",
            " r 10.50,20.25 -2.00 0 3",
            " 11.50,20.45 -1.200 0  1",
            " r 30.00,40.00 -2.00 0 12",
            " 31.00,40.20 -1.200 0  1",
            "zoom e"))
        self.assert_rows(rows, screen_rows("2", "3", "", "12.06"))

    def test_extremes_are_shown_only_when_strictly_exceeded(self):
        cases = {
            # first record the deepest: "max Depth" stays empty
            "first deepest": (crlf("1 1 -5", "2 2 -3", "3 3 -4", "4 4 -5"), "3.00", ""),
            # first record the shallowest: "min Depth" stays empty
            "first shallowest": (crlf("1 1 -1", "2 2 -3", "3 3 -2", "4 4 -1"), "", "3.00"),
            # every later record lies beyond the last extreme: the last one shows
            "growing both ways": (crlf("1 1 -5", "2 2 -6", "3 3 -4", "4 4 -7.25", "5 5 -3.5"),
                                  "3.50", "7.25"),
        }
        for name, (dat, least, greatest) in cases.items():
            with self.subTest(name):
                records = dat.count(b"\r\n")
                run, rows = self.reduce(dat)
                self.assert_rows(rows, screen_rows(str(records), str(records + 1), least, greatest))
                self.assertEqual(self.survey.read("Temp/Out.Scr").count(b"\r\n"), 2 * records + 3)


class Reduction(DatReduceCase):
    # 999.0 (also written 9.99e2 and 999), 999.5 and 1e3 are dropped; 998.99
    # and anything lower pass. Tabs, extra fields and a record over three
    # lines read alike.
    DAT = (b"1.0 2.0 999.0\r\n3.0 4.0 998.99\r\n5.125 6.5 999.5 7\r\n"
           b"-7.5 -8.25 -1000.004\r\n9 10 1e3\r\n11 12 9.99e2\r\n13\t14\t-3.5 1 2 point 7\r\n"
           b"15\r\n16\r\n-4.25 rest\r\n17 18 999\r\n")
    TXT = crlf("3.00 4.00 998.99", "-7.50 -8.25 -1000.00", "13.00 14.00 -3.50", "15.00 16.00 -4.25")

    def test_records_below_999_are_kept(self):
        variants = {
            "CR LF": self.DAT,
            "LF": self.DAT.replace(b"\r\n", b"\n"),
            "CR": self.DAT.replace(b"\r\n", b"\r"),
            "no line end at the end": self.DAT[:-2],
        }
        for name, dat in variants.items():
            with self.subTest(name):
                run, rows = self.reduce(dat, b"1\n\n")
                self.assertEqual(self.survey.read("PM/Out.Txt"), self.TXT)
                self.assertEqual(rows[6], row("  Points In  : ", "4").ljust(80))
                self.assertEqual(rows[14], row("  Points     :", "5").ljust(80))
                self.assertEqual(self.survey.read("Temp/Out.Scr").count(b"\r\n"), 2 * 4 + 3)

    def test_nothing_kept_stops_after_the_height_is_typed(self):
        run, rows = self.reduce(crlf("1 2 999", "3 4 1000.5"), b"2\n\n", code=106)
        self.assertIn("Out.Txt", self.assert_runtime_error(run, 106))
        self.assertEqual(self.survey.read("PM/Out.Txt"), b"")
        self.assertFalse(self.exists("Temp/Out.Scr"))
        self.assert_rows(rows, screen_rows(finished=False))


class Height(DatReduceCase):
    def test_zero_height_ends_the_run_before_the_script(self):
        for typed in (b"0", b"-0.0", b"  0e5 and more"):
            with self.subTest(typed):
                self.survey.write("Temp/Out.Scr", OLD_SCRIPT)
                run, rows = self.reduce(crlf("1 2 -3.5", "3 4 999.25", "5 6 -7"), typed + b"\n\n")
                self.assertEqual(self.survey.read("PM/Out.Txt"), crlf("1.00 2.00 -3.50", "5.00 6.00 -7.00"))
                self.assertEqual(self.survey.read("Temp/Out.Scr"), OLD_SCRIPT)
                self.assert_rows(rows, screen_rows("2", finished=False))

    def test_height_that_is_no_number_stops_the_tool(self):
        # b"": the input ends before any height (an empty line alone would
        # read as 0 and end the run like a typed 0).
        for typed in (b"2,5\n", b"abc\n", b""):
            with self.subTest(typed):
                run, rows = self.reduce(crlf("1 2 -3.5"), typed, code=106)
                self.assertEqual(self.survey.read("PM/Out.Txt"), crlf("1.00 2.00 -3.50"))
                self.assertFalse(self.exists("Temp/Out.Scr"))


class Failures(DatReduceCase):
    def test_missing_inputs_and_folders(self):
        with self.subTest("no PM/Out.Dat"):
            run = self.survey.run("dat_reduce")
            self.assert_runtime_error(run, 2)
            self.assertFalse(self.exists("PM/Out.Txt"))
        with self.subTest("no Temp folder: stops at the script, PM/Out.Txt complete"):
            os.rmdir(self.survey.path("Temp"))
            run, rows = self.reduce(crlf("1 2 -3.5", "5 6 -7"), code=3)
            self.assertEqual(self.survey.read("PM/Out.Txt"), crlf("1.00 2.00 -3.50", "5.00 6.00 -7.00"))
        with self.subTest("no PM folder"):
            os.rename(self.survey.path("PM"), self.survey.path("Other"))
            run = self.survey.run("dat_reduce")
            self.assert_runtime_error(run, 3)

    def test_reads_past_the_last_record(self):
        with self.subTest("empty PM/Out.Dat"):
            run, rows = self.reduce(b"", code=106)
            self.assertEqual(self.survey.read("PM/Out.Txt"), b"")
        with self.subTest("an empty line after the last record"):
            # The next record's first read skips the empty line and meets
            # the end (0, no error); its second read finds nothing at all.
            run, rows = self.reduce(crlf("1 2 -3.5", "5 6 999", "7 8 -9", ""), code=106)
            self.assertEqual(self.survey.read("PM/Out.Txt"), crlf("1.00 2.00 -3.50", "7.00 8.00 -9.00"))
            self.assertEqual(rows[6], row("  Points In  : ", "2").ljust(80))
            self.assertFalse(self.exists("Temp/Out.Scr"))


class TypedHeight(TerminalCase):
    """The text height typed at the prompt in a real terminal of 80 x 25."""

    def start_at_prompt(self):
        self.survey.write("PM/Out.Dat", WORKED_DAT)
        pid = self.term.start("dat_reduce")
        self.term.wait_prompt(pid, 13, "  Text Height: ")
        self.assertEqual(self.term.screen(), screen_rows("9", finished=False), self.term.dump())
        self.assertEqual(self.term.cursor(), (22, 13))
        return pid

    def test_typed_height_makes_the_script(self):
        pid = self.start_at_prompt()
        self.term.type("9")
        self.term.keys("BSpace")
        self.term.type("2.5")
        self.term.keys("Enter")
        self.term.wait_prompt(pid, 22, "  Finish,   Press ENTER  ...")
        expected = WORKED_SCREEN[:12] + ["        Text Height: 2.5".ljust(80)] + WORKED_SCREEN[13:]
        self.assertEqual(self.term.screen(), expected, self.term.dump())
        self.assertEqual(self.term.cursor(), (35, 22))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assertEqual(self.survey.read("Temp/Out.Scr"), WORKED_SCR)
        self.assert_terminal_restored()

    def test_typed_zero_ends_the_run(self):
        self.survey.write("Temp/Out.Scr", OLD_SCRIPT)
        pid = self.start_at_prompt()
        self.term.type("0")
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.term.wait_for(self.term.at_shell_prompt, "the shell prompt")
        # Enter took the cursor to row 14, where the shell now prompts; the
        # rest of the window is as the tool left it.
        self.assertEqual(self.term.cursor(), (3, 14), self.term.dump())
        expected = screen_rows("9", finished=False, typed="0")
        expected[13] = "$".ljust(80)
        self.assertEqual(self.term.screen(), expected, self.term.dump())
        self.assertEqual(self.survey.read("Temp/Out.Scr"), OLD_SCRIPT)
        self.assertEqual(self.survey.read("PM/Out.Txt"), WORKED_TXT)
        self.assert_terminal_restored()


if __name__ == "__main__":
    unittest.main()
