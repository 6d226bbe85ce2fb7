#!/usr/bin/env bash
# Builds the tools and runs them on the bundled sample survey (samples/survey),
# in a copy under build/sample_survey, answering their prompts from a file.
set -euo pipefail
cd "$(dirname "$0")"
cmake --preset default >/dev/null
cmake --build --preset default -j2 >/dev/null
bin=$PWD/build/default/bin
work=$PWD/build/sample_survey
rm -rf "$work"
cp -r samples/survey "$work"
cd "$work"

# Each tool ends by waiting for Enter; the empty input answers it.
"$bin/join" </dev/null

# The chain goes on: depth_filter reads its four limits (minimum and maximum
# depth, minimum distance, maximum slope) and the final Enter from
# samples/answers/depth_filter.txt; utm_points projects the kept soundings.
"$bin/depth_filter" <"$work/../../samples/answers/depth_filter.txt"
"$bin/utm_points" </dev/null
# echo_clean1 draws the echo record for cleaning by hand in AutoCAD (see the
# README: the cleaning loop); echo_clean2 then needs the drawing saved there.
"$bin/echo_clean1" </dev/null

# The side tools: raw_convert has no prompts; dat_reduce reads its text height
# and the final Enter from samples/answers/dat_reduce.txt.
"$bin/raw_convert" </dev/null
"$bin/dat_reduce" <"$work/../../samples/answers/dat_reduce.txt"

printf '\n\nThe sample survey was processed in %s\n' "$work"
printf '  Temp/Data.txt   %6d joined soundings (latitude, longitude, depth)\n' "$(wc -l <Temp/Data.txt)"
printf '  PM/La_Lo_De.txt %6d soundings kept by depth_filter, after the survey parameters\n' "$(( $(grep -c '' PM/La_Lo_De.txt) - 3 ))"
printf '  PM/Points.txt   %6d projected points (easting, northing, reduced depth)\n' "$(grep -c '' PM/Points.txt)"
printf '  Temp/Points.scr, Temp/3DPoly.scr: AutoCAD scripts drawing them as points and as a 3D polyline\n'
printf '  Temp/Echo_Rec.scr: AutoCAD script of the echo record profile, to clean by hand (README: the cleaning loop)\n'
printf '  PM/Raw_Data.Txt %6d raw records in columns (latitude, longitude, depth, time)\n' "$(wc -l <PM/Raw_Data.Txt)"
printf '  PM/Out.Txt      %6d points with a height below 999 (x, y, z)\n' "$(wc -l <PM/Out.Txt)"
printf '  Temp/Out.Scr    %6d depth labels for AutoCAD\n' "$(( ($(wc -l <Temp/Out.Scr) - 1) / 2 ))"
