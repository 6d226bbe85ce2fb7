#!/usr/bin/env bash
# The survey as a GIS shows it, drawn by GDAL from the files the tools write
# for GIS: Temp/Surface.tif coloured by height (deep purple to shallow yellow,
# the cells without a height white), and on it the GeoJSON lines and points
# burnt in where their WGS 84 coordinates put them in the grid (GDAL projects
# them with the GeoTIFF's coordinate system): the contours of
# Temp/Contours.geojson black, the track of Temp/Track.geojson red. The
# two kinds of file meet only through their coordinate systems, so the
# contours lie on the colours' edges only when both place themselves right.
# Needs gdal-bin.
#
#   bash docs/gis_picture.sh SURVEY_FOLDER PICTURE.png [WIDTH]
set -euo pipefail
survey=$1 picture=$2 width=${3:-1000}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
printf '%s\n' "nv 255 255 255" "0% 68 1 84" "25% 59 82 139" "50% 33 145 140" "75% 94 201 98" \
  "100% 253 231 37" >"$tmp/colours.txt"
# No side files of GDAL's (statistics) in the survey folder.
export GDAL_PAM_ENABLED=NO
gdaldem color-relief -q "$survey/Temp/Surface.tif" "$tmp/colours.txt" "$tmp/relief.tif" >/dev/null
gdalwarp -q -ts "$width" 0 -r near "$tmp/relief.tif" "$tmp/map.tif"
burn() {  # the features of a GeoJSON file in the colour r g b
  gdal_rasterize -q -at -l "$(basename "$1" .geojson)" -b 1 -b 2 -b 3 -burn "$2" -burn "$3" -burn "$4" \
    "$1" "$tmp/map.tif"
}
burn "$survey/Temp/Contours.geojson" 0 0 0
burn "$survey/Temp/Track.geojson" 228 26 28
gdal_translate -q -of PNG "$tmp/map.tif" "$picture"
rm -f "$picture.aux.xml"
