#!/usr/bin/env python3
"""The echo record cleaning loop end to end: echo_clean1 draws PM/Points.txt
as Temp/Echo_Rec.scr; the test plays the user in the CAD program, making the
drawing from the script's points with some of them deleted, moved or added,
and saving it as Temp/Clr_Rec.dxf; echo_clean2 then writes Temp/Clr_Rec.txt,
PM/PointsCl.txt and Temp/PointsCl.scr. Expected bytes are worked out by hand
from the tools' rules; screens are checked cell by cell."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cleaning import (cad_2d_drawing, cad_number, drawing_from_script, dxf_drawing,  # noqa: E402
                      fixed, points_txt, profile, render, screen_rows, script_entries)
from survey_test import DATA, Survey, SurveyCase, TerminalCase  # noqa: E402

# Six records: steps of 5 (3-4-5), 0 (the same position, another z), 10
# (6-8-10), 5 and 13 (5-12-13), so the distances are 0, 5, 5, 15, 20, 33.
# Eastings and northings with two decimals in one binade differ exactly.
POINTS = (b"  9541213.36  4707419.57  -12.50\r\n"
          b"  9541216.36  4707423.57  -12.61\r\n"
          b"  9541216.36  4707423.57  -13.07\r\n"
          b"  9541222.36  4707431.57  -12.80\r\n"
          b"  9541225.36  4707427.57  -11.95\r\n"
          b"  9541237.36  4707432.57  -12.02")

ECHO_REC = (b"ucsicon off osnap off point 0.0000,-12.50\r\n"
            b" 5.0000,-12.61\r\n"
            b" 5.0000,-13.07\r\n"
            b" 15.0000,-12.80\r\n"
            b" 20.0000,-11.95\r\n"
            b" 33.0000,-12.02\r\n"
            b"zoom e\r\n")

# Per record: its Temp/Clr_Rec.txt line when its point is kept, its
# PM/PointsCl.txt line and its Temp/PointsCl.scr entry.
KEPT = ["0.00000 -12.50", "5.00000 -12.61", "5.00000 -13.07", "15.00000 -12.80",
        "20.00000 -11.95", "33.00000 -12.02"]
CLEAN = ["9541213.36 4707419.57 -12.50", "9541216.36 4707423.57 -12.61",
         "9541216.36 4707423.57 -13.07", "9541222.36 4707431.57 -12.80",
         "9541225.36 4707427.57 -11.95", "9541237.36 4707432.57 -12.02"]
ENTRY = [" 9541213.36,4707419.57,-12.50", " 9541216.36,4707423.57,-12.61",
         " 9541216.36,4707423.57,-13.07", " 9541222.36,4707431.57,-12.80",
         " 9541225.36,4707427.57,-11.95", " 9541237.36,4707432.57,-12.02"]


def lines(texts):
    return b"".join(t.encode() + b"\r\n" for t in texts)


def cleaned(indices):
    """PM/PointsCl.txt and Temp/PointsCl.scr when the records of these
    0-based indices are found."""
    return (lines(CLEAN[i] for i in indices),
            b"osnap off ucsicon off point" + lines(ENTRY[i] for i in indices) + b"\r\n")


ECHO1_SCREEN = {
    3: "      Echo Record Cleaner - 1)",
    4: "      ~~~~~~~~~~~~~~~~~~~~~~~~",
    6: "      Read     PM/Points.Txt",
    7: "      Write  Temp/Echo_Rec.Scr",
    10: "      Points:        6",
    13: '      Start AutoCAD end Run Script  "Temp/Echo_Rec.scr"',
    14: '      Clean wrong points and save drawing as "Temp/Clr_Rec.Dxf" ...',
}


def echo2_screen(found, records, kept):
    """echo_clean2's final screen; the rows of phase 2 move up one when the
    drawing had no point."""
    shift = 1 if found else 0
    rows = {
        3: "      Echo Record Cleaner - 2)",
        4: "      ~~~~~~~~~~~~~~~~~~~~~~~~",
        6: "      Read   Temp/Clr_Rec.Dxf",
        7: "      Write  Temp/Clr_Rec.Txt",
        10 + shift: "      Read       PM/Points.txt",
        11 + shift: "              Temp/Clr_Rec.txt",
        13 + shift: "      Write    PM/PointsCl.txt",
        14 + shift: "             Temp/PointsCl.scr",
        17: "      Points: %7d" % records,
        18: "       Clear: %7d" % kept,
        23: "      Press Enter ...",
    }
    if found:
        rows[9] = "      Points : %8d" % found
    return screen_rows(rows)


class CleaningLoop(unittest.TestCase):
    """echo_clean1, the drawing, echo_clean2, each case in a survey folder of
    its own."""

    def clean(self, kept, counts, found, points=POINTS, drawing_name="Temp/Clr_Rec.dxf",
              **drawing):
        """Runs the loop with the drawing made from the script as the keyword
        arguments of drawing_from_script say. Checks that the records of the
        0-based indices in kept make the cleaned list, and the final screen:
        found points in the drawing, counts = (records read, kept points
        read)."""
        survey = Survey()
        self.addCleanup(survey.remove)
        survey.write("PM/Points.txt", points)
        run1 = survey.run("echo_clean1")
        self.assertEqual(run1.returncode, 0, run1)
        survey.write(drawing_name, drawing_from_script(survey.read("Temp/Echo_Rec.scr"), **drawing))
        run2 = survey.run("echo_clean2")
        self.assertEqual(run2.returncode, 0, run2)
        self.assertEqual((survey.read("PM/PointsCl.txt"), survey.read("Temp/PointsCl.scr")),
                         cleaned(kept))
        screen, cursor = render(run2.stdout)
        self.assertEqual(screen, echo2_screen(found, *counts))
        self.assertEqual(cursor, (24, 23))
        return survey

    def test_echo_clean1_script_and_nothing_deleted(self):
        survey = self.clean([0, 1, 2, 3, 4, 5], (6, 6), 6)
        self.assertEqual(survey.read("Temp/Echo_Rec.scr"), ECHO_REC)
        self.assertEqual(survey.read("Temp/Clr_Rec.txt"), lines(KEPT))
        # The names are those opened, whatever the screen shows.
        self.assertEqual(sorted(os.listdir(survey.path("Temp"))),
                         ["Clr_Rec.dxf", "Clr_Rec.txt", "Echo_Rec.scr", "PointsCl.scr"])
        self.assertEqual(sorted(os.listdir(survey.path("PM"))), ["Points.txt", "PointsCl.txt"])

    def test_deleted_points(self):
        # The records before the first kept point are passed over while c > d;
        # the matching ends when the kept points are used up. The counters show
        # the records and kept points read.
        survey = self.clean([1, 2, 3, 4], (6, 4), 4, delete={0, 5})
        self.assertEqual(survey.read("Temp/Clr_Rec.txt"), lines(KEPT[1:5]))
        self.clean([5], (6, 1), 1, delete={0, 1, 2, 3, 4})
        self.clean([0], (2, 1), 1, delete={1, 2, 3, 4, 5})
        self.clean([0, 2, 4], (6, 3), 3, delete={1, 3, 5})

    def test_two_records_at_one_position(self):
        # Both kept: both written in file order (the first test). The first
        # deleted: the kept point has the distance of the first record but
        # another z, so that record is taken as deleted.
        self.clean([0, 2, 3, 4, 5], (6, 5), 5, delete={1})
        self.clean([0, 1, 3, 4, 5], (6, 5), 5, delete={2})
        self.clean([0, 3, 4, 5], (6, 4), 4, delete={1, 2})

    def test_points_moved_or_added_by_hand(self):
        # Moved along the track, forwards or backwards, or up: that record is
        # lost, the others are found.
        self.clean([0, 1, 2, 4, 5], (6, 6), 6, move={3: ("15.5", "-12.80")})
        self.clean([0, 1, 2, 4, 5], (6, 6), 6, move={3: ("14.5", "-12.80")})
        self.clean([0, 1, 2, 3, 5], (6, 6), 6, move={4: ("20.0", "-12.30")})
        # Added among the others, behind the track: passed over.
        self.clean([0, 1, 2, 3, 4, 5], (6, 7), 7, add=[(3, ("10.0", "-12.70"))])
        # Added at the end of the drawing, where the CAD program puts a new
        # point: never read, the records end first.
        self.clean([0, 1, 2, 3, 4, 5], (6, 6), 7, add=[(6, ("10.0", "-12.70"))])

    def test_every_point_moved_still_ends(self):
        # Every point half a metre ahead of its record, or behind it: no record
        # is found, and every kept point is read.
        entries = [(0, "-12.50"), (5, "-12.61"), (5, "-13.07"), (15, "-12.80"), (20, "-11.95"),
                   (33, "-12.02")]
        for shift in (0.5, -0.5):
            self.clean([], (6, 6), 6, move={i: (str(d + shift), z) for i, (d, z) in enumerate(entries)})

    def test_distance_rounded_the_other_way(self):
        # A kept point one ten-thousandth before the record's rounded distance
        # with the record's z is that record (the two roundings of a distance
        # near a half disagree); two ten-thousandths, or another z, are not.
        self.clean([0, 1, 2, 3, 4, 5], (6, 6), 6, move={3: ("14.9999", "-12.80")})
        self.clean([0, 1, 2, 4, 5], (6, 6), 6, move={3: ("14.9998", "-12.80")})
        self.clean([0, 1, 2, 4, 5], (6, 6), 6, move={3: ("14.9999", "-12.81")})

    def test_drawing_of_a_program_that_does_not_pad_its_codes(self):
        # LibreCAD 2.0 and others write "10", not " 10", LF line ends, a
        # handle and a colour whose values read 10 and 20: the cleaned list is
        # the one of the right-aligned drawing.
        padded = self.clean([1, 2, 4], (6, 3), 3, delete={0, 3, 5})
        drawing = padded.read("Temp/Clr_Rec.dxf").split(b"\r\n")
        unpadded = b"\n".join(l.strip() if i % 2 == 0 else l for i, l in enumerate(drawing))
        unpadded = unpadded.replace(b"0\nPOINT\n8\n", b"0\nPOINT\n5\n10\n62\n20\n8\n")
        self.assertEqual(unpadded.count(b"\n5\n10\n62\n20\n"), 3)
        survey = Survey()
        self.addCleanup(survey.remove)
        survey.write("PM/Points.txt", POINTS)
        self.assertEqual(survey.run("echo_clean1").returncode, 0)
        survey.write("Temp/Clr_Rec.dxf", unpadded)
        run = survey.run("echo_clean2")
        self.assertEqual(run.returncode, 0, run)
        for name in ("Temp/Clr_Rec.txt", "PM/PointsCl.txt", "Temp/PointsCl.scr"):
            self.assertEqual(survey.read(name), padded.read(name), name)
        self.assertEqual(render(run.stdout)[0], echo2_screen(3, 6, 3))

    def test_drawing_saved_under_the_name_the_user_is_told(self):
        # echo_clean1 says Temp/Clr_Rec.Dxf; echo_clean2 opens Temp/Clr_Rec.dxf.
        survey = self.clean([1, 2, 3, 4, 5], (6, 5), 5, drawing_name="Temp/Clr_Rec.Dxf",
                            delete={0}, line_end="\n")
        self.assertIn("Clr_Rec.Dxf", os.listdir(survey.path("Temp")))
        self.assertNotIn("Clr_Rec.dxf", os.listdir(survey.path("Temp")))


class DrawingsWhoseNamesDifferInCase(unittest.TestCase):
    def test_the_newest_drawing_is_read(self):
        # scr2dxf draws Temp/Clr_Rec.dxf; LibreCAD saves the cleaned drawing as
        # Temp/Clr_Rec.Dxf (as echo_clean1 says) a minute earlier, at the same
        # time or a minute later.
        for seconds, kept in [(-60, range(6)), (0, range(6)), (60, [0, 2, 3, 5])]:
            with self.subTest(seconds=seconds):
                survey = Survey()
                self.addCleanup(survey.remove)
                survey.write("PM/Points.txt", POINTS)
                for tool, args in [("echo_clean1", []), ("scr2dxf", ["Temp/Echo_Rec.scr", "Temp/Clr_Rec.dxf"])]:
                    self.assertEqual(survey.run(tool, args=args).returncode, 0)
                entries = script_entries(survey.read("Temp/Echo_Rec.scr"))
                survey.write("Temp/Clr_Rec.Dxf", cad_2d_drawing(
                    [(cad_number(x), cad_number(y)) for i, (x, y) in enumerate(entries) if i not in (1, 4)]))
                t = os.stat(survey.path("Temp/Clr_Rec.dxf")).st_mtime_ns
                os.utime(survey.path("Temp/Clr_Rec.Dxf"), ns=(t, t + seconds * 10**9))
                self.assertEqual(survey.run("echo_clean2").returncode, 0)
                self.assertEqual((survey.read("PM/PointsCl.txt"), survey.read("Temp/PointsCl.scr")),
                                 cleaned(kept))
        # scr2dxf draws over the drawing that is read (the later one), not beside it.
        self.assertEqual(survey.run("scr2dxf", args=["Temp/Echo_Rec.scr", "Temp/Clr_Rec.dxf"]).returncode, 0)
        self.assertEqual(survey.read("Temp/Clr_Rec.Dxf"), survey.read("Temp/Clr_Rec.dxf"))


class RealProfile(SurveyCase):
    def test_profile_of_the_library_made_drawings(self):
        # The 40 records from which tests/data/dxf was drawn: echo_clean1 writes
        # the very points of those drawings, and the cleaned drawing (points 1,
        # 6, 7, 18 and 40 deleted) gives the other 35 records.
        records, points = profile(40)
        self.survey.write("PM/Points.txt", points_txt(records))
        run1 = self.survey.run("echo_clean1")
        self.assertEqual(run1.returncode, 0, run1)
        self.assertEqual(script_entries(self.survey.read("Temp/Echo_Rec.scr")),
                         [(fixed(d, 4), fixed(z, 2)) for d, z in points])
        with open(os.path.join(DATA, "dxf", "profile_cleaned_r2010.dxf"), "rb") as f:
            self.survey.write("Temp/Clr_Rec.dxf", f.read())
        run2 = self.survey.run("echo_clean2")
        self.assertEqual(run2.returncode, 0, run2)
        kept = [i for i in range(40) if i not in (0, 5, 6, 17, 39)]
        self.assertEqual(self.survey.read("Temp/Clr_Rec.txt"),
                         lines("%s %s" % (fixed(points[i][0], 5), fixed(points[i][1], 2)) for i in kept))
        self.assertEqual(self.survey.read("PM/PointsCl.txt"),
                         lines("%s %s %s" % tuple(fixed(v, 2) for v in records[i]) for i in kept))
        screen, _ = render(run2.stdout)
        self.assertEqual(screen, echo2_screen(35, 40, 35))


class EchoClean1Files(SurveyCase):
    def test_one_record(self):
        self.survey.write("PM/Points.txt", b"  9541213.36  4707419.57   -3.90")
        run = self.survey.run("echo_clean1")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(self.survey.read("Temp/Echo_Rec.scr"),
                         b"ucsicon off osnap off point 0.0000,-3.90\r\nzoom e\r\n")
        self.assertEqual(render(run.stdout)[0][9], "      Points:        1".ljust(80))

    def test_end_of_the_point_list(self):
        # A line end after the last record ends the list as well.
        self.survey.write("PM/Points.txt", POINTS + b"\r\n")
        run = self.survey.run("echo_clean1")
        self.assertEqual(run.returncode, 0, run)
        self.assertEqual(self.survey.read("Temp/Echo_Rec.scr"), ECHO_REC)
        # An empty line after it: one more record is read, and its northing
        # meets the end of the file; the script lacks its "zoom e".
        self.survey.write("PM/Points.txt", POINTS + b"\r\n\r\n")
        run = self.survey.run("echo_clean1")
        self.assert_runtime_error(run, 106)
        self.assertEqual(self.survey.read("Temp/Echo_Rec.scr"), ECHO_REC[:-len(b"zoom e\r\n")])
        self.assertEqual(render(run.stdout)[0][9], "      Points:        7".ljust(80))

    def test_missing_files(self):
        run = self.survey.run("echo_clean1")
        self.assert_runtime_error(run, 2)
        self.assertFalse(os.path.exists(self.survey.path("Temp/Echo_Rec.scr")))
        self.assertEqual(render(run.stdout)[0][5], "      Read     PM/Points.Txt".ljust(80))
        self.assertEqual(render(run.stdout)[0][6], " " * 80)
        self.survey.write("PM/Points.txt", b"")
        run = self.survey.run("echo_clean1")
        self.assert_runtime_error(run, 106)
        # The first record is read before anything is written to the script.
        self.assertEqual(self.survey.read("Temp/Echo_Rec.scr"), b"")
        os.remove(self.survey.path("Temp/Echo_Rec.scr"))
        os.rmdir(self.survey.path("Temp"))
        self.survey.write("PM/Points.txt", POINTS)
        self.assert_runtime_error(self.survey.run("echo_clean1"), 3)


class EchoClean2Files(SurveyCase):
    def test_everything_deleted(self):
        # No point in the drawing: Temp/Clr_Rec.txt is empty and the first
        # kept point cannot be read.
        self.survey.write("PM/Points.txt", POINTS)
        self.survey.write("Temp/Clr_Rec.dxf", dxf_drawing([]))
        run = self.survey.run("echo_clean2")
        self.assert_runtime_error(run, 106)
        self.assertEqual(self.survey.read("Temp/Clr_Rec.txt"), b"")
        self.assertEqual(self.survey.read("PM/PointsCl.txt"), b"")
        self.assertEqual(self.survey.read("Temp/PointsCl.scr"), b"osnap off ucsicon off point")
        screen, _ = render(run.stdout)
        expected = echo2_screen(0, 0, 0)
        self.assertEqual(screen[:16], expected[:16])
        self.assertEqual(screen[16:], [" " * 80] * 9)

    def test_binary_drawing_is_refused_and_the_outputs_stay(self):
        self.survey.write("PM/Points.txt", POINTS)
        self.survey.write("Temp/Clr_Rec.dxf", b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(range(256)) * 8)
        before = {}
        for name in ("Temp/Clr_Rec.txt", "PM/PointsCl.txt", "Temp/PointsCl.scr"):
            self.survey.write(name, b"earlier run of " + name.encode() + b"\r\n")
            before[name] = self.survey.read(name)
        run = self.survey.run("echo_clean2")
        self.assertEqual(run.returncode, 1, run)
        self.assertEqual(run.stderr, b"echo_clean2: Temp/Clr_Rec.dxf is a binary DXF drawing; "
                                     b"save it as ASCII DXF\n")
        for name, data in before.items():
            self.assertEqual(self.survey.read(name), data, name)
        self.assertEqual(self.survey.read("PM/Points.txt"), POINTS)

    def test_missing_files(self):
        run = self.survey.run("echo_clean2")
        self.assert_runtime_error(run, 2)
        self.assertEqual(os.listdir(self.survey.path("Temp")), [])
        self.assertEqual(os.listdir(self.survey.path("PM")), [])
        # Without PM/Points.txt the kept points are listed first.
        self.survey.write("Temp/Clr_Rec.dxf", dxf_drawing([("5.0", "-12.61")]))
        run = self.survey.run("echo_clean2")
        self.assert_runtime_error(run, 2)
        self.assertEqual(self.survey.read("Temp/Clr_Rec.txt"), b"5.00000 -12.61\r\n")
        self.assertFalse(os.path.exists(self.survey.path("PM/PointsCl.txt")))


class EchoCleanScreens(TerminalCase):
    def test_echo_clean1_screen(self):
        self.survey.write("PM/Points.txt", POINTS)
        pid = self.term.start("echo_clean1")
        self.term.wait_prompt(pid, 14, "Clean wrong points")
        self.assertEqual(self.term.screen(), screen_rows(ECHO1_SCREEN), self.term.dump())
        self.assertEqual(self.term.cursor(), (70, 14))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()
        self.assertEqual(self.survey.read("Temp/Echo_Rec.scr"), ECHO_REC)

    def test_echo_clean2_screen(self):
        self.survey.write("PM/Points.txt", POINTS)
        self.survey.write("Temp/Clr_Rec.dxf", dxf_drawing([("5.0", "-12.61"), ("5.0", "-13.07"),
                                                          ("15.0", "-12.8"), ("20.0", "-11.95")]))
        pid = self.term.start("echo_clean2")
        self.term.wait_prompt(pid, 23, "Press Enter ...")
        self.assertEqual(self.term.screen(), echo2_screen(4, 6, 4), self.term.dump())
        self.assertEqual(self.term.cursor(), (24, 23))
        self.term.keys("Enter")
        self.term.wait_gone(pid)
        self.assertEqual(self.term.status(), 0)
        self.assert_terminal_restored()
        self.assertEqual((self.survey.read("PM/PointsCl.txt"), self.survey.read("Temp/PointsCl.scr")),
                         cleaned([1, 2, 3, 4]))


if __name__ == "__main__":
    unittest.main()
