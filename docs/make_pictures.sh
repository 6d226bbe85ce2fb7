#!/usr/bin/env bash
# Makes the pictures of the README from the sample survey, as a real CAD
# program draws the DXF drawings that scr2dxf makes of the chain's scripts:
#   docs/sample_points.png       Temp/Points.scr (the surveyed points, in plan)
#   docs/sample_echo_record.png  Temp/Echo_Rec.scr (the echo record before the
#                                cleaning), printed on four pages side by side,
#                                shown one above the other
#   docs/sample_plan.png         Temp/Plan.svg and Temp/Profile.svg of
#   docs/sample_profile.png      survey_plot, drawn by rsvg-convert
#   docs/sample_soundings.png    Temp/Soundings.svg of survey_soundings (the
#                                sheet at 1:2500), drawn by rsvg-convert at 200 dpi
#   docs/sample_qc_report.png    the first page of survey_qc's report
#                                Temp/QC_Report.html, printed by Chromium
#   docs/sample_surface.png      Temp/Surface.svg of survey_surface, drawn by
#                                rsvg-convert
#   docs/sample_difference.png   Temp/Difference.svg of survey_volume on the
#                                survey after the dredging, by rsvg-convert
#   docs/sample_gis.png          the survey as a GIS shows it: Temp/Surface.tif
#                                with the GeoJSON contours and track on it,
#                                drawn by GDAL (docs/gis_picture.sh)
#   docs/channel_sections.png    Temp/Sections.svg of survey_channel on a made
#                                channel dredged unevenly, by rsvg-convert
#   docs/sample_sheet.png        the first page of survey_sheet's Temp/Sheet.pdf
#                                (1:1000 on A3), by pdftoppm
# LibreCAD prints each drawing headless to PDF, fitted to A4 pages; pdftoppm
# turns the pages into grey pixels, and the blank paper around the drawing is
# cut off. Needs: apt-get install librecad poppler-utils librsvg2-bin chromium gdal-bin.
#
#   bash docs/make_pictures.sh
#
# It runs run_sample.sh first (the chain on the sample, in build/sample_survey).
set -euo pipefail
cd "$(dirname "$0")/.."
docs=$PWD/docs
bin=$PWD/build/sample/bin  # built by run_sample.sh
bash run_sample.sh >/dev/null
cd build/sample_survey

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$bin/scr2dxf" Temp/Points.scr "$out/points.dxf" </dev/null >/dev/null
"$bin/scr2dxf" Temp/Echo_Rec.scr "$out/echo_record.dxf" </dev/null >/dev/null

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$out
librecad dxf2pdf -a -t "$out" "$out/points.dxf" >/dev/null 2>&1
librecad dxf2pdf -a -z 4x1 -t "$out" "$out/echo_record.dxf" >/dev/null 2>&1
pdftoppm -gray -aa no -aaVector no -r 150 "$out/points.pdf" "$out/points"
pdftoppm -gray -aa no -aaVector no -r 200 "$out/echo_record.pdf" "$out/echo"

# Each page cut to the rows that hold the drawing (and a margin), the pages
# stacked with a grey line between them, written as an 8-bit grey PNG.
python3 - "$out" "$docs" <<'EOF'
import glob, os, struct, sys, zlib

out, docs = sys.argv[1:]

def read_pgm(path):
    with open(path, "rb") as f:
        magic, size, depth, pixels = f.read().split(b"\n", 3)
    w, h = map(int, size.split())
    return [pixels[y * w:(y + 1) * w] for y in range(h)]

def drawn(rows, margin):
    ink = [y for y, row in enumerate(rows) if min(row) < 200]
    return rows[max(ink[0] - margin, 0):ink[-1] + margin + 1]

def write_png(path, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    head = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 0, 0, 0, 0)
    data = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", data) + chunk(b"IEND", b""))

write_png(os.path.join(docs, "sample_points.png"),
          drawn(read_pgm(glob.glob(os.path.join(out, "points*.pgm"))[0]), 20))
strips = []
for page in sorted(glob.glob(os.path.join(out, "echo-*.pgm"))):
    rows = drawn(read_pgm(page), 16)
    if strips:
        strips.append(bytes([160]) * len(rows[0]))
    strips += rows
write_png(os.path.join(docs, "sample_echo_record.png"), strips)
EOF
bash "$docs/gis_picture.sh" . "$docs/sample_gis.png"
rsvg-convert Temp/Plan.svg -o "$docs/sample_plan.png"
rsvg-convert Temp/Profile.svg -o "$docs/sample_profile.png"
rsvg-convert -d 200 -p 200 -b white Temp/Soundings.svg -o "$docs/sample_soundings.png"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$out/chromium" --no-pdf-header-footer \
  --print-to-pdf="$out/qc_report.pdf" "file://$PWD/Temp/QC_Report.html" >/dev/null 2>&1
pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$out/qc_report.pdf" "$docs/sample_qc_report"
rsvg-convert Temp/Surface.svg -o "$docs/sample_surface.png"
rsvg-convert ../sample_survey_dredged/Temp/Difference.svg -o "$docs/sample_difference.png"
pdftoppm -png -r 70 -f 1 -l 1 -singlefile Temp/Sheet.pdf "$docs/sample_sheet"

# What a dredging contract bills, drawn by survey_channel on a made channel
# 10 m long (two sections): the seabed before the works sloping across it,
# after them dredged 0.3 m under the template, with a pocket dredged below the
# pay line, a ridge left above the template and a cut beyond the pay line's
# reach (not billed).
mkdir -p "$out/channel/PM" "$out/channel/Temp"
python3 - "$out/channel" <<'EOF'
import os, sys
folder = sys.argv[1]
def template(o):
    return -12 + max(0.0, abs(o) - 15) / 3
def before(o):
    return -9.5 + 0.02 * o
def after(o):
    if -10 <= o <= -5:
        return -12.9  # dredged below the pay line
    if 5 <= o <= 9:
        return -11.6  # a ridge left above the template
    if 27 <= o <= 33:
        return before(o) - 0.8  # cut beyond the pay line's reach
    return min(before(o), template(o) - 0.3)
offsets = sorted({o / 2 for o in range(-120, 121)} | {-10.01, -4.99, 4.99, 9.01, 26.99, 33.01})
for name, z in (("PM/PointsCl.txt", after), ("Before.txt", before)):
    with open(os.path.join(folder, name), "w", newline="") as f:
        for x in range(-4, 15, 2):
            for o in offsets:
                f.write("%.2f %.2f %.2f\r\n" % (500000 + x, 4700000 - o, z(o)))
with open(os.path.join(folder, "Temp", "Channel.txt"), "w", newline="") as f:
    f.write("point 500000 4700000\r\npoint 500010 4700000\r\nreach 0 10 -12 15 15 3 3 0.5\r\n")
EOF
(cd "$out/channel" && "$bin/survey_channel" --channel Temp/Channel.txt --against Before.txt \
  --interval 10 --title "A made channel" </dev/null >/dev/null)
rsvg-convert "$out/channel/Temp/Sections.svg" -o "$docs/channel_sections.png"

ls -l "$docs"/sample_points.png "$docs"/sample_echo_record.png "$docs"/sample_plan.png "$docs"/sample_profile.png \
  "$docs"/sample_soundings.png "$docs"/sample_qc_report.png "$docs"/sample_surface.png \
  "$docs"/sample_difference.png "$docs"/channel_sections.png "$docs"/sample_sheet.png
