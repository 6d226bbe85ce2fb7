#!/usr/bin/env bash
# Builds the tools and runs the whole chain on the bundled sample survey
# (samples/survey), in a copy under build/sample_survey, answering their
# prompts from files and pipes, then says where each result is.
#
# The programs are built in build/sample without the tests, so GoogleTest is
# not needed here. Each tool's screen goes to a file of build/sample_screens
# (`cat` one on a terminal to see it), so that this script's own lines are all
# that it shows, in a terminal or in a log (bash run_sample.sh | tee log).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install_packages.sh sample  # the compiler, CMake, CGAL, Boost, GMP when missing

echo "Building the tools in build/sample, about two minutes the first time ..."
cmake -S . -B build/sample -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/sample -j2 --target join depth_filter utm_points echo_clean1 \
  echo_flag scr2dxf echo_clean2 dat_reduce raw_convert dxf2txt survey_plot \
  survey_soundings survey_qc survey_surface survey_volume survey_channel survey_sheet >/dev/null
bin=$PWD/build/sample/bin
work=$PWD/build/sample_survey
screens=$PWD/build/sample_screens
cross=$PWD/build/sample_crosslines
rm -rf "$work" "$screens" "$cross"
cp -r samples/survey "$work"
cp -r samples/crosslines "$cross"
mkdir "$screens"
cd "$work"

# run NAME TOOL [ARG ...]: runs a tool in the survey folder, its standard
# input as given to run, its screen to build/sample_screens/NAME.txt.
steps=0
run() {
  local name=$1 tool=$2
  shift 2
  steps=$((steps + 1))
  local screen
  screen=$(printf '%s/%02d_%s.txt' "$screens" "$steps" "$name")
  echo "  $tool${*:+ $*}"
  if ! "$bin/$tool" "$@" >"$screen"; then
    echo "run_sample.sh: $tool stopped; its screen: cat $screen" >&2
    exit 1
  fi
}

echo "Running the chain on the sample survey in build/sample_survey:"
# Each tool ends by waiting for Enter; the empty input answers it. join and
# depth_filter keep the sounder's centimetres (--cm).
run join join --cm </dev/null

# The chain goes on: depth_filter reads its four limits (minimum and maximum
# depth, minimum distance, maximum slope) and the final Enter from the pipe.
# The limits are loose (0.5 m, 40 m, 3 m, slope 5), as for a survey that is
# cleaned on its echo record: two spikes of the echo sounder pass and reach
# the echo record. (samples/answers/depth_filter.txt holds the strict limits 1, 40, 3,
# 0.5 of the tests, which drop every spike.) utm_points projects the points.
run depth_filter depth_filter --cm < <(printf '0.5\n40\n3\n5\n\n')
run utm_points utm_points </dev/null

# The cleaning loop (README: the cleaning loop). echo_clean1 writes the script
# of the echo record (for AutoCAD); echo_flag draws the record as the DXF
# drawing Temp/Clr_Rec.dxf with the spikes it finds taken out and marked, the
# drawing the surveyor reviews in a CAD program; here it is taken as it is.
# echo_clean2 keeps the records whose points are left in the drawing.
run echo_clean1 echo_clean1 </dev/null
run echo_flag echo_flag </dev/null
run echo_clean2 echo_clean2 </dev/null

# The side tools: dat_reduce reads its text height and the final Enter from
# samples/answers/dat_reduce.txt; raw_convert has no prompts.
run dat_reduce dat_reduce <"$work/../../samples/answers/dat_reduce.txt"
run raw_convert raw_convert </dev/null

# Every script of the chain drawn as a DXF drawing for any CAD program, and
# the points of the cleaned drawing listed by dxf2txt (its two file names
# piped in; the end of the pipe answers its final key).
for script in Points 3DPoly PointsCl Out; do
  run "scr2dxf_$script" scr2dxf "Temp/$script.scr" "Temp/$script.dxf" </dev/null
done
run dxf2txt dxf2txt < <(printf 'Temp/PointsCl.dxf\nTemp/PointsCl_list.txt\n')

# The chart's soundings of the cleaned points on a sheet at 1:2500: the
# shallowest depths whose labels clear each other.
run survey_soundings survey_soundings --scale 2500 </dev/null

# The crossline check. The sample's crosslines (samples/crosslines, made by
# samples/make_crosslines.py) are a survey of their own: they go through the
# same steps of the chain with the same limits in build/sample_crosslines (no
# cleaning: their sounder logged no spikes). survey_qc then compares them with
# the main lines where they cross.
cd "$cross"
run cross_join join --cm </dev/null
run cross_depth_filter depth_filter --cm < <(printf '0.5\n40\n3\n5\n\n')
run cross_utm_points utm_points </dev/null
cd "$work"
run survey_qc survey_qc --crosslines ../sample_crosslines/PM/Points.txt \
  --title "Sample survey" </dev/null
# The seabed as a surface: the TIN of the cleaned points, its contours, a
# LandXML surface, a depth grid and a picture.
run survey_surface survey_surface </dev/null
# The survey sheet for the client: the soundings and contours at 1:1000 with
# the grid and the title block, a PDF to plot at exact scale on A3 (two
# sheets, with their index).
run survey_sheet survey_sheet --scale 1000 --paper A3 </dev/null

# The pictures of the survey for a browser, the plan and the profile, and the
# survey for GIS and Google Earth: the track as GeoJSON, and the track, the
# contours and the soundings made above in one KML.
run survey_plot survey_plot </dev/null

# The second survey of the area, after a channel was dredged through it
# (samples/survey_dredged, lines run north and south): the same steps to its
# cleaned points, then the dredged volume against the first survey, inside
# the outline of the dredging works. The outline comes in latitude and
# longitude (samples/survey_dredged/Channel.txt); utm_points projects it
# like the soundings, in a folder of its own with the survey's parameters.
dredged=$work/../sample_survey_dredged
rm -rf "$dredged"
cp -r "$work/../../samples/survey_dredged" "$dredged"
cd "$dredged"
run dredged_join join --cm </dev/null
run dredged_depth_filter depth_filter --cm < <(printf '0.5\n40\n3\n5\n\n')
run dredged_utm_points utm_points </dev/null
run dredged_echo_flag echo_flag </dev/null
run dredged_echo_clean2 echo_clean2 </dev/null
mkdir -p outline/PM outline/Temp
{ head -n 3 PM/La_Lo_De.txt; cat Channel.txt; } >outline/PM/La_Lo_De.txt
cd outline
run outline_utm_points utm_points </dev/null
cd ..
awk '{ printf "%s %s\r\n", $1, $2 }' outline/PM/Points.txt >Temp/Channel.txt
rm -r outline
run survey_volume survey_volume --against ../sample_survey/PM/PointsCl.txt --boundary Temp/Channel.txt </dev/null
# The dredging as it is paid, on the channel's design: the outline of the
# works becomes a template. Its centreline runs through the middles of the
# outline's short sides; the design: the bottom 16 m deep (z -16.5, with the
# sample's 0.5 m of the sounder under the water), 30 m wide, slopes 1 in 3,
# an over-depth of 0.5 m. The pay table by 25 m of station: what was removed
# since the first survey above the pay line (paid) and below it.
awk '{ sub(/\r$/, "") }
     NR == 1 || NR == 4 { wx += $1 / 2; wy += $2 / 2 }
     NR == 2 || NR == 3 { ex += $1 / 2; ey += $2 / 2 }
     END {
       wx = sprintf("%.2f", wx); wy = sprintf("%.2f", wy); ex = sprintf("%.2f", ex); ey = sprintf("%.2f", ey)
       printf "# The sample channel: the centreline through the middles of the ends\r\n"
       printf "# of the outline of the works, Temp/Channel.txt\r\n"
       printf "point %s %s\r\npoint %s %s\r\n", wx, wy, ex, ey
       printf "# FROM TO LEVEL LEFT RIGHT SLOPE_LEFT SLOPE_RIGHT OVERDEPTH\r\n"
       printf "reach 0 %.2f -16.5 15 15 3 3 0.5\r\n", int(sqrt((ex - wx) ^ 2 + (ey - wy) ^ 2) * 100) / 100
     }' Temp/Channel.txt >Temp/Channel_Design.txt
run survey_channel survey_channel --channel Temp/Channel_Design.txt \
  --against ../sample_survey/PM/PointsCl.txt </dev/null
cd "$work"

# The summary, in lines of at most 80 columns.
lines() { grep -c '' "$1"; }  # the last line counts without its line end too
echo
echo "The sample survey was processed in build/sample_survey (the tools' screens"
echo "are in build/sample_screens):"
printf '  Temp/Data.txt    %6d joined soundings (latitude, longitude, depth)\n' "$(wc -l <Temp/Data.txt)"
printf '  PM/La_Lo_De.txt  %6d soundings kept by depth_filter, after the parameters\n' \
  "$(( $(lines PM/La_Lo_De.txt) - 3 ))"
printf '  PM/Points.txt    %6d projected points (easting, northing, reduced depth)\n' \
  "$(lines PM/Points.txt)"
echo "  Temp/Points.scr, Temp/3DPoly.scr: AutoCAD scripts of the points, as points"
echo "                   and as a 3D polyline"
echo "  Temp/Echo_Rec.scr: AutoCAD script of the echo record, to clean by hand"
echo "                   (README: the cleaning loop)"
printf '  Temp/Clr_Rec.dxf %6d points: the echo record drawn by echo_flag, with\n' \
  "$(grep -c '^POINT' Temp/Clr_Rec.dxf)"
printf '                   %d spikes taken out and listed in Temp/Spikes.txt:\n' \
  "$(lines Temp/Spikes.txt)"
printf '    record %s at %s m along the track, z %s (medians %s / %s)\n' \
  $(awk '{ print $1, $4, $5, $6, $7 }' Temp/Spikes.txt)
printf '  PM/PointsCl.txt  %6d points kept by echo_clean2 (x y z); Temp/PointsCl.scr\n' \
  "$(lines PM/PointsCl.txt)"
echo "                   draws them"
echo "  Temp/Points.dxf, Temp/3DPoly.dxf, Temp/PointsCl.dxf, Temp/Out.dxf: the"
echo "                   scripts as DXF drawings, by scr2dxf"
printf '  Temp/PointsCl_list.txt %d points of Temp/PointsCl.dxf listed by dxf2txt\n' \
  "$(lines Temp/PointsCl_list.txt)"
printf '  PM/Raw_Data.Txt  %6d raw records in columns (latitude ... time)\n' "$(wc -l <PM/Raw_Data.Txt)"
printf '  PM/Out.Txt       %6d points with a height below 999 (x, y, z)\n' "$(wc -l <PM/Out.Txt)"
printf '  Temp/Out.Scr     %6d depth labels for AutoCAD\n' "$(( ($(wc -l <Temp/Out.Scr) - 1) / 2 ))"
echo "  Temp/Plan.svg, Temp/Profile.svg: the survey in plan and its echo record in"
echo "                   strips, by survey_plot (open them in a browser); for GIS"
echo "                   Temp/Track.geojson, and Temp/Survey.kml for Google Earth"
printf '  PM/Soundings.txt %6d chart soundings at 1:2500 (x y z); their labels in\n' \
  "$(lines PM/Soundings.txt)"
echo "                   Temp/Soundings.dxf, .scr and .svg (a sheet to print at scale)"
printf '  Temp/Crossings.txt %4d crossings of the crosslines (build/sample_crosslines)\n' \
  "$(lines Temp/Crossings.txt)"
echo "                   with the main lines, by survey_qc; Temp/QC_Report.html judges"
echo "                   them against the IHO S-44 orders (open it in a browser)"
printf '  Temp/Tin.dxf     %6d triangles of the surface by survey_surface, with\n' \
  "$(grep -c '^3DFACE' Temp/Tin.dxf)"
printf '                   %d contour lines in Temp/Contours.dxf, Temp/Surface.xml\n' \
  "$(grep -c '^POLYLINE' Temp/Contours.dxf)"
echo "                   (LandXML), Temp/Surface.asc (grid), Temp/Surface.svg; for"
echo "                   GIS Temp/Surface.tif (GeoTIFF), .prj, Temp/Contours.geojson,"
echo "                   Temp/Soundings.geojson, Temp/Crossings.geojson"
printf '  Temp/Sheet.pdf   %6d sheets of A3 at 1:1000 by survey_sheet, to plot at scale;\n' \
  "$(grep -ac '^<< /Type /Page /' Temp/Sheet.pdf)"
echo "                   the first as Temp/Sheet.svg, what they draw in Temp/Sheet.dxf"
echo
echo "The survey after the dredging was processed in build/sample_survey_dredged:"
printf '  PM/PointsCl.txt  %6d cleaned points of the lines run north and south\n' \
  "$(lines "$dredged/PM/PointsCl.txt")"
printf '  Temp/Volume.txt  removed %s m3, deposited %s m3 inside Temp/Channel.txt\n' \
  "$(awk '/^Below the earlier/ { print $NF }' "$dredged/Temp/Volume.txt")" \
  "$(awk '/^Above the earlier/ { print $NF }' "$dredged/Temp/Volume.txt")"
echo "  Temp/Difference.asc, Temp/Difference.svg: the difference to the first"
echo "                   survey as a grid and a picture, by survey_volume; for GIS"
echo "                   Temp/Difference.tif (GeoTIFF) and .prj"
echo "  Temp/Channel_Volumes.txt, .csv: the dredging paid on the channel's design"
echo "                   (Temp/Channel_Design.txt), by survey_channel, in m3; the TIN's"
echo "                   figures and the sections' average end areas (AEA):"
awk -F, 'NR == 1 { printf "      %15s  %10s %10s  %10s %10s\n", "station", "paid", "(AEA)", "below pay", "(AEA)" }
         NR > 1 { sub(/\r$/, ""); printf "      %15s  %10s %10s  %10s %10s\n", $1 ($2 == "" ? "" : " - " $2), $3, $4, $5, $6 }' \
  "$dredged/Temp/Channel_Volumes.csv"
echo "                   Temp/Sections.dxf, .svg: the cross sections; Temp/Channel.dxf:"
echo "                   the channel in plan"
