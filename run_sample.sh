#!/usr/bin/env bash
# Builds the tools and runs the whole chain on the bundled sample survey
# (samples/survey), in a copy under build/sample_survey, answering their
# prompts from files and pipes, then says where each result is.
set -euo pipefail
cd "$(dirname "$0")"
cmake --preset default >/dev/null
# Only the programs: the tests are built by run_tests.sh.
cmake --build --preset default -j2 --target join depth_filter utm_points echo_clean1 \
  scr2dxf echo_clean2 dat_reduce raw_convert dxf2txt survey_plot >/dev/null
bin=$PWD/build/default/bin
work=$PWD/build/sample_survey
rm -rf "$work"
cp -r samples/survey "$work"
cd "$work"

# Each tool ends by waiting for Enter; the empty input answers it.
"$bin/join" </dev/null

# The chain goes on: depth_filter reads its four limits (minimum and maximum
# depth, minimum distance, maximum slope) and the final Enter from the pipe.
# The limits are loose (0.5 m, 40 m, 3 m, slope 5), as for a survey that is
# cleaned by hand: two spikes of the echo sounder pass and reach the echo
# record. (samples/answers/depth_filter.txt holds the strict limits 1, 40, 3,
# 0.5 of the tests, which drop every spike.) utm_points projects the points.
printf '0.5\n40\n3\n5\n\n' | "$bin/depth_filter"
"$bin/utm_points" </dev/null

# The cleaning loop (README: the cleaning loop). echo_clean1 writes the script
# of the echo record; scr2dxf draws it as the DXF drawing Temp/Clr_Rec.dxf,
# the one the surveyor opens in a CAD program to delete the wrong points.
"$bin/echo_clean1" </dev/null
"$bin/scr2dxf" Temp/Echo_Rec.scr Temp/Clr_Rec.dxf </dev/null
# DEMO STEP, not a part of the tools: samples/demo_clean_spikes.py stands in
# for the hand cleaning in the CAD program. It deletes from the drawing the
# points that lie more than 2 m above or below both of their neighbours.
python3 "$work/../../samples/demo_clean_spikes.py" Temp/Clr_Rec.dxf >Temp/Demo_Clean.txt
# echo_clean2 keeps the records whose points are left in the drawing.
"$bin/echo_clean2" </dev/null

# The side tools: dat_reduce reads its text height and the final Enter from
# samples/answers/dat_reduce.txt; raw_convert has no prompts.
"$bin/dat_reduce" <"$work/../../samples/answers/dat_reduce.txt"
"$bin/raw_convert" </dev/null

# Every script of the chain drawn as a DXF drawing for any CAD program, and
# the points of the cleaned drawing listed by dxf2txt (its two file names
# piped in; the end of the pipe answers its final key).
for script in Points 3DPoly PointsCl Out; do
  "$bin/scr2dxf" "Temp/$script.scr" "Temp/$script.dxf" </dev/null
done
printf 'Temp/PointsCl.dxf\nTemp/PointsCl_list.txt\n' | "$bin/dxf2txt"

# Last, the pictures of the survey for a browser: the plan and the profile.
"$bin/survey_plot" </dev/null

printf '\n\nThe sample survey was processed in %s\n' "$work"
printf '  Temp/Data.txt   %6d joined soundings (latitude, longitude, depth)\n' "$(wc -l <Temp/Data.txt)"
printf '  PM/La_Lo_De.txt %6d soundings kept by depth_filter, after the survey parameters\n' "$(( $(grep -c '' PM/La_Lo_De.txt) - 3 ))"
printf '  PM/Points.txt   %6d projected points (easting, northing, reduced depth)\n' "$(grep -c '' PM/Points.txt)"
printf '  Temp/Points.scr, Temp/3DPoly.scr: AutoCAD scripts drawing them as points and as a 3D polyline\n'
printf '  Temp/Echo_Rec.scr: AutoCAD script of the echo record profile, to clean by hand (README: the cleaning loop)\n'
printf '  Temp/Clr_Rec.dxf %5d points: the echo record drawn by scr2dxf, after the DEMO cleaning step:\n' "$(grep -c '^POINT' Temp/Clr_Rec.dxf)"
sed 's/^/      /' Temp/Demo_Clean.txt
printf '  PM/PointsCl.txt %6d points kept by echo_clean2 (x y z); Temp/PointsCl.scr draws them\n' "$(grep -c '' PM/PointsCl.txt)"
printf '  Temp/Points.dxf, Temp/3DPoly.dxf, Temp/PointsCl.dxf, Temp/Out.dxf: the scripts as DXF drawings, by scr2dxf\n'
printf '  Temp/PointsCl_list.txt %d points of Temp/PointsCl.dxf listed by dxf2txt (x y z)\n' "$(grep -c '' Temp/PointsCl_list.txt)"
printf '  PM/Raw_Data.Txt %6d raw records in columns (latitude, longitude, depth, time)\n' "$(wc -l <PM/Raw_Data.Txt)"
printf '  PM/Out.Txt      %6d points with a height below 999 (x, y, z)\n' "$(wc -l <PM/Out.Txt)"
printf '  Temp/Out.Scr    %6d depth labels for AutoCAD\n' "$(( ($(wc -l <Temp/Out.Scr) - 1) / 2 ))"
printf '  Temp/Plan.svg, Temp/Profile.svg: the survey in plan and its echo record in strips, by survey_plot (open them in a browser)\n'
