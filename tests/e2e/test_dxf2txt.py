#!/usr/bin/env python3
"""dxf2txt: the points of real and hand-made DXF drawings as x y z lines, the
two typed names (an empty one meaning the console), the not-found message,
and the Bulgarian screen texts: Cyrillic on a UTF-8 terminal, Windows-1251
bytes unchanged under the C locale."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import (cad_2d_drawing, fixed, locale_env, profile, render, run_env,  # noqa: E402
                      screen_rows, wait_keys)
from survey_test import DATA, SurveyCase, TerminalCase  # noqa: E402

ASK_DXF = "      Чете от  *.DXF  файл ? :"
ASK_TXT = "      Пише  в  *.TXT  Файл ? :"
DONE = " " * 29 + "Регистъра е завършен."
NOT_FOUND = " " * 27 + " HЕ НАМИРА ФАЙЛ "

# The same texts as the bytes the tool writes: Windows-1251, with the Latin H.
CP1251_TEXTS = [
    b"\xd7\xe5\xf2\xe5 \xee\xf2  *.DXF  \xf4\xe0\xe9\xeb ? :",
    b"\xcf\xe8\xf8\xe5  \xe2  *.TXT  \xd4\xe0\xe9\xeb ? :",
    b"\xf2. ",
    b"\xd0\xe5\xe3\xe8\xf1\xf2\xfa\xf0\xe0 \xe5 \xe7\xe0\xe2\xfa\xf0\xf8\xe5\xed.  ",
]
CP1251_NOT_FOUND = b" H\xc5 \xcd\xc0\xcc\xc8\xd0\xc0 \xd4\xc0\xc9\xcb "

UTF8 = locale_env(LC_ALL="C.UTF-8")


def txt(lines):
    return b"".join(line.encode() + b"\r\n" for line in lines)


def counter_row(text, n):
    """A prompt row with the point counter at column 64."""
    return text.ljust(63) + "т. %8d" % n


def final_screen(dxf_name, txt_name, n):
    rows = {9: ASK_DXF + "  " + dxf_name, 11: ASK_TXT + "  " + txt_name, 18: DONE}
    if n:
        rows[11] = counter_row(rows[11], n)
    return screen_rows(rows)


# The profile of the library-made drawings, as dxf2txt lists it: distance,
# height and z = 0 with three decimals each.
RECORDS, POINTS = profile(40)
PROFILE = ["%s %s 0.000" % (fixed(d, 3), fixed(z, 3)) for d, z in POINTS]


class Dxf2txtFiles(SurveyCase):
    def run_tool(self, answers, env=UTF8):
        return run_env(self.survey, "dxf2txt", answers, env)

    def copy_drawing(self, name):
        shutil.copy(os.path.join(DATA, "dxf", name), self.survey.path(name))

    def test_real_drawings(self):
        # By hand from the drawing's text: 1.3285 gets three decimals half up.
        self.assertEqual(PROFILE[:2], ["0.000 -12.500 0.000", "1.329 -12.830 0.000"])
        cleaned = [PROFILE[i] for i in range(40) if i not in (0, 5, 6, 17, 39)]
        # The layer POINT: its table entry takes a block's base point, the LINE
        # on that layer its start point.
        layer = ["0.000 0.000 0.000"] + PROFILE[:10] + ["2.000 2.000 0.000"]
        for name, expected in [("profile_r12.dxf", PROFILE), ("profile_r2000.dxf", PROFILE),
                               ("profile_cleaned_r2010.dxf", cleaned),
                               ("profile_point_layer_r2018.dxf", layer),
                               ("no_points_r2000.dxf", [])]:
            with self.subTest(name):
                self.copy_drawing(name)
                run = self.run_tool(b"%s\nlist.txt\n" % name.encode())
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(self.survey.read("list.txt"), txt(expected))
                # Piped answers are not echoed; the counter is never shown when
                # there is no point.
                screen, cursor = render(run.stdout)
                self.assertEqual(screen, final_screen("", "", len(expected)))
                self.assertEqual(cursor, (53, 18))

    def test_drawing_of_a_2d_cad_program(self):
        # LibreCAD writes its points without z: each one is at z 0, and none
        # takes the values of the next one.
        points = [("0", "-12.5"), ("1.3285", "-9.800000000000001"), ("2.6571", "0"), ("-3", "4.25")]
        self.survey.write("Temp/Clr_Rec.dxf", cad_2d_drawing(points))
        run = self.run_tool(b"Temp/Clr_Rec.dxf\nlist.txt\n")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(self.survey.read("list.txt"),
                         txt("%s %s 0.000" % (fixed(float(x), 3), fixed(float(y), 3)) for x, y in points))
        self.assertEqual(render(run.stdout)[0], final_screen("", "", len(points)))

    def test_drawing_not_found(self):
        # The message with the name as typed; no text file; exit status 0 once
        # a key is read (here the end of the piped answers).
        for answers in (b"nothing.dxf\nlist.txt\n", b"nothing.dxf\n", b"Nothing/x.dxf\n"):
            with self.subTest(answers):
                run = self.run_tool(answers)
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(run.stderr, b"")
                self.assertEqual(sorted(os.listdir(self.survey.root)), ["PM", "Temp"])
                name = answers.split(b"\n")[0].decode()
                screen, cursor = render(run.stdout)
                self.assertEqual(screen, screen_rows({9: ASK_DXF, 11: ASK_TXT, 23: NOT_FOUND + name}))
                self.assertEqual(cursor, (44 + len(name), 23))

    def test_empty_drawing_name_reads_the_drawing_from_the_console(self):
        drawing = b"  0\nPOINT\n  8\nPOINT\n 10\n-1.5\n 20\n2.0005\n 30\n0.0625\n  0\nEOF\n"
        run = self.run_tool(b"\nlist.txt\n" + drawing)
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(self.survey.read("list.txt"), b"-1.500 2.001 0.063\r\n")
        self.assertEqual(render(run.stdout)[0], final_screen("", "", 1))

    def test_unpadded_codes_read_as_right_aligned_ones(self):
        # The library-made drawings with their codes as LibreCAD 2.0 and a
        # Leica DISTO write them (no padding), with tabs and trailing blanks,
        # or with CR LF: the same list as the right-aligned original.
        self.copy_drawing("profile_r2000.dxf")
        with open(self.survey.path("profile_r2000.dxf"), "rb") as f:
            lines = f.read().replace(b"\r\n", b"\n").split(b"\n")
        for name, code, eol in [("unpadded", lambda c: c.strip(), b"\n"),
                                ("tabs", lambda c: b"\t" + c.strip() + b" \t", b"\n"),
                                ("trailing", lambda c: c + b"  ", b"\r\n")]:
            with self.subTest(name):
                self.survey.write(name + ".dxf", eol.join(code(l) if i % 2 == 0 else l
                                                          for i, l in enumerate(lines)))
                run = self.run_tool(name.encode() + b".dxf\nlist.txt\n")
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(self.survey.read("list.txt"), txt(PROFILE))

    def test_binary_drawing_is_refused(self):
        # The header of a binary DXF, as AutoCAD writes it; the list that was
        # there stays as it was, also when the drawing comes from the console.
        binary = b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(256)) * 4
        self.survey.write("binary.dxf", binary)
        self.survey.write("list.txt", b"old\r\n")
        for answers in (b"binary.dxf\nlist.txt\n", b"\nlist.txt\n" + binary):
            with self.subTest(answers[:12]):
                run = self.run_tool(answers)
                self.assertEqual(run.returncode, 1, run)
                self.assertRegex(run.stderr, rb"^dxf2txt: .* is a binary DXF drawing; save it as ASCII DXF\n$")
                self.assertEqual(self.survey.read("list.txt"), b"old\r\n")
                self.assertIn("ДВОИЧЕН DXF: ЗАПИШЕТЕ ЧЕРТЕЖА КАТО ASCII DXF", render(run.stdout)[0][22])

    def test_piped_drawing_equals_the_file(self):
        # cat - drawing.dxf | dxf2txt: the answers, then the drawing, through
        # one pipe read in blocks; the list and the screen are the file path's.
        # The drawing is large enough for many blocks of the pipe, with lines
        # that straddle them.
        body = b"".join(b"  0\nPOINT\n  8\n0\n 10\n%d.25\n 20\n-%d.5\n 30\n%d\n" % (i, i, i % 97)
                        for i in range(60000))
        self.survey.write("big.dxf", body + b"  0\nEOF\n")
        by_path = self.run_tool(b"big.dxf\nlist.txt\n")
        self.assertEqual(by_path.returncode, 0, by_path)
        listed = self.survey.read("list.txt")
        self.assertEqual(listed.count(b"\r\n"), 60000)
        by_pipe = self.run_tool(b"\npiped.txt\n" + body + b"  0\nEOF\n")
        self.assertEqual(by_pipe.returncode, 0, by_pipe)
        self.assertEqual(self.survey.read("piped.txt"), listed)
        self.assertEqual(render(by_pipe.stdout), render(by_path.stdout))
        self.assertEqual(render(by_pipe.stdout)[0], final_screen("", "", 60000))

    def test_text_file_or_value_that_fail(self):
        self.copy_drawing("profile_r12.dxf")
        run = self.run_tool(b"profile_r12.dxf\nNothing/list.txt\n")
        self.assert_runtime_error(run, 3)
        # A value line that is no number stops the tool; the lines before it
        # are written.
        self.survey.write("bad.dxf", b"POINT\n 10\n1\n 20\n2\n 30\n3\nPOINT\n 10\n1,5\n 20\n2\n 30\n3\n")
        run = self.run_tool(b"bad.dxf\nlist.txt\n")
        self.assert_runtime_error(run, 106)
        self.assertEqual(self.survey.read("list.txt"), b"1.000 2.000 3.000\r\n")

    def test_screen_texts_by_locale(self):
        self.copy_drawing("profile_r12.dxf")
        expected = final_screen("", "", 40)
        c_locales = [locale_env(LC_ALL="C"), locale_env(LANG="C"),
                     locale_env(LANG="C.UTF-8", LC_ALL="C")]
        for env in c_locales + [UTF8, locale_env(LANG="C.UTF-8")]:
            utf8 = env in (UTF8, locale_env(LANG="C.UTF-8"))
            with self.subTest(env={k: v for k, v in env.items() if k.startswith(("LC_", "LANG"))}):
                run = self.run_tool(b"profile_r12.dxf\nlist.txt\n", env)
                self.assertEqual(run.returncode, 0, run)
                screen, _ = render(run.stdout, "utf-8" if utf8 else "cp1251")
                self.assertEqual(screen, expected)
                # Blank cells are not drawn on the cleared window, so the texts
                # are looked for without their outer blanks.
                for text in (t.strip() for t in CP1251_TEXTS):
                    self.assertEqual(text in run.stdout, not utf8, text)
                    self.assertEqual(text.decode("cp1251").encode() in run.stdout, utf8, text)
        # Under the C locale the typed name follows the message byte for byte.
        run = self.run_tool(b"\xe0\xe1.dxf\n", locale_env(LC_ALL="C"))
        self.assertIn(CP1251_NOT_FOUND.strip() + b" \xe0\xe1.dxf", run.stdout)


class Dxf2txtScreen(TerminalCase):
    """dxf2txt in a terminal of 80 x 25 under a UTF-8 locale."""

    def setUp(self):
        saved = {k: os.environ.get(k) for k in ("LC_ALL", "LANG")}

        def restore():
            for k, v in saved.items():
                if v is None:
                    os.environ.pop(k, None)
                else:
                    os.environ[k] = v
        self.addCleanup(restore)
        os.environ["LC_ALL"] = "C.UTF-8"
        super().setUp()

    def check_screen(self, rows, cursor):
        self.assertEqual(self.term.screen(), rows, self.term.dump())
        self.assertEqual(self.term.cursor(), cursor)

    def end_with_key(self, pid):
        self.term.type("x")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        # The last text ends mid-row, and so does the shell's prompt after it;
        # Enter gives the shell a prompt of its own row.
        self.term.keys("Enter")
        self.assert_terminal_restored()

    def test_prompts_counter_and_final_message(self):
        shutil.copy(os.path.join(DATA, "dxf", "profile_r2000.dxf"), self.survey.path("Temp"))
        pid = self.term.start("dxf2txt")
        wait_keys(self.term, pid, (33, 9))
        self.check_screen(screen_rows({9: ASK_DXF, 11: ASK_TXT}), (33, 9))
        self.term.type("temp/Profile_R2000.DXF")
        self.term.keys("Enter")
        wait_keys(self.term, pid, (33, 11))
        self.check_screen(screen_rows({9: ASK_DXF + "  temp/Profile_R2000.DXF", 11: ASK_TXT}), (33, 11))
        self.term.type("Temp/list.txt")
        self.term.keys("Enter")
        wait_keys(self.term, pid, (53, 18))
        self.check_screen(final_screen("temp/Profile_R2000.DXF", "Temp/list.txt", 40), (53, 18))
        self.end_with_key(pid)
        self.assertEqual(self.survey.read("Temp/list.txt"), txt(PROFILE))

    def test_not_found_shows_the_typed_name(self):
        pid = self.term.start("dxf2txt")
        wait_keys(self.term, pid, (33, 9))
        self.term.type("карта.dxf")
        self.term.keys("Enter")
        wait_keys(self.term, pid, (53, 23))
        self.check_screen(screen_rows({9: ASK_DXF + "  карта.dxf", 11: ASK_TXT,
                                       23: NOT_FOUND + "карта.dxf"}), (53, 23))
        self.end_with_key(pid)
        self.assertEqual(sorted(os.listdir(self.survey.root)), ["PM", "Temp"])
        self.assertEqual(os.listdir(self.survey.path("Temp")), [])

    def test_empty_text_file_name_lists_on_the_screen(self):
        self.survey.write("one.dxf", b"  0\nPOINT\n 10\n1.5\n 20\n-2.25\n 30\n0.0625\n  0\nEOF\n")
        pid = self.term.start("dxf2txt")
        wait_keys(self.term, pid, (33, 9))
        self.term.type("one.dxf")
        self.term.keys("Enter")
        wait_keys(self.term, pid, (33, 11))
        self.term.keys("Enter")
        wait_keys(self.term, pid, (53, 18))
        # Enter took the cursor to row 12, where the line was written.
        self.check_screen(screen_rows({9: ASK_DXF + "  one.dxf", 11: counter_row(ASK_TXT, 1),
                                       12: "1.500 -2.250 0.063", 18: DONE}), (53, 18))
        self.end_with_key(pid)


if __name__ == "__main__":
    unittest.main()
