#!/usr/bin/env bash
# The Debian packages that building, running the sample, testing and fuzzing
# need, in one table, and their installation: only what is missing.
#
#   bash scripts/install_packages.sh SET            install what SET is missing
#   bash scripts/install_packages.sh --missing SET  name what SET is missing, one a line
#   bash scripts/install_packages.sh --list SET     name every package of SET, one a line
#   bash scripts/install_packages.sh --markdown     the table as docs/building.md shows it
#
# SET is sample (the programs and the chain on the sample survey), tests (the
# Linux tests: run_tests.sh default and sanitize), windows (the Windows
# programs and their wine tests: run_tests.sh windows), fuzz (the fuzz
# targets' replay) or ci (everything .ci/run runs).
#
# As root, the missing packages are installed with apt-get (update, then
# install -y), after one line that says what and why; nothing is said when
# nothing is missing. Not as root, the script stops with status 1 and the
# exact sudo line to run.
#
# What is present is told by what a package puts on the system: a command on
# the PATH, a file (SURVEY_ROOT, empty here, is put before the file's path, so
# that a test can fake a system), or a module that /usr/bin/python3 imports
# (Debian's python3-* packages import only there).
set -euo pipefail
set -f  # the checks' file patterns are matched by compgen, never by the shell

# package(s) | sets | check | what it is for
# The sets: s = sample, t = tests, w = windows, f = fuzz (ci takes them all).
table=(
  "cmake|stwf|command cmake|CMake, the build"
  "make|stwf|command make|make, the build's generator"
  "g++|stw|command g++|GCC, the compiler"
  "libcgal-dev|stw|file /usr/include/CGAL/Delaunay_triangulation_2.h|CGAL, the surface's triangulation"
  "libboost-dev|stw|file /usr/include/boost/geometry.hpp|Boost.Geometry, clipping and R-tree"
  "libgmp-dev|stw|file /usr/include/*/gmp.h|GMP, CGAL's exact arithmetic on Linux"
  "python3|tw|file /usr/bin/python3|Python, the end-to-end and wine tests"
  "libgtest-dev|tw|file /usr/include/gtest/gtest.h|GoogleTest, the unit tests"
  "tmux|tw|command tmux|tmux, the screen tests in a real terminal (also under wine)"
  "librecad|t|command librecad|LibreCAD, the drawings printed"
  "poppler-utils|t|command pdftoppm|poppler, the printed pages read"
  "librsvg2-bin|t|command rsvg-convert|rsvg-convert, the SVG pictures drawn"
  "python3-numpy python3-scipy|t|python numpy scipy.spatial|scipy, the independent models of surfaces, volumes, crossings"
  "python3-ezdxf|t|python ezdxf|ezdxf, DXF drawings written and read back"
  "python3-pyproj|t|python pyproj|pyproj, PROJ from Python: every named grid checked, the boat's speeds of join's squat test on the ellipsoid"
  "chromium|t|command chromium|Chromium, the HTML reports loaded and printed"
  "gmt|t|command gmt|GMT, the crossings found by x2sys_cross"
  "proj-bin|t|command cs2cs|PROJ, the projections checked"
  "gdal-bin|t|command gdalinfo|GDAL, the grids and GeoJSON read"
  "g++-mingw-w64-x86-64|w|command x86_64-w64-mingw32-g++|mingw-w64, the Windows programs"
  "wine wine64|w|command wine|wine, the Windows programs run"
  "clang|f|command clang++|clang, libFuzzer's compiler"
  "libclang-rt-14-dev|f|file /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a|libFuzzer and the sanitizer runtimes"
)

usage() {
  echo "usage: bash scripts/install_packages.sh [--missing | --list] sample|tests|windows|fuzz|ci" >&2
  echo "       bash scripts/install_packages.sh --markdown" >&2
  exit 2
}

# letters SET: the table's letters of a set; title SET: what the set is for.
letters() {
  case $1 in
    sample) echo s ;;
    tests) echo t ;;
    windows) echo w ;;
    fuzz) echo f ;;
    ci) echo stwf ;;
    *) usage ;;
  esac
}
title() {
  case $1 in
    sample) echo "the sample" ;;
    tests) echo "the tests" ;;
    windows) echo "the Windows build" ;;
    fuzz) echo "the fuzz targets" ;;
    ci) echo "CI" ;;
  esac
}

# present CHECK: whether what the check names is on this system.
present() {
  local kind=$1
  shift
  case $kind in
    command) command -v "$1" >/dev/null 2>&1 ;;
    file) compgen -G "${SURVEY_ROOT:-}$1" >/dev/null ;;
    python)
      local modules=$*
      [ -x "${SURVEY_ROOT:-}/usr/bin/python3" ] &&
        "${SURVEY_ROOT:-}/usr/bin/python3" -c "import ${modules// /, }" >/dev/null 2>&1
      ;;
  esac
}

# rows SET [missing]: the table's rows of the set (only the missing ones).
rows() {
  local want row packages sets check purpose
  want=$(letters "$1")
  for row in "${table[@]}"; do
    IFS='|' read -r packages sets check purpose <<<"$row"
    [[ $sets == *[$want]* ]] || continue
    # shellcheck disable=SC2086  # the check's words: kind, then its names
    if [ "${2:-}" = missing ] && present $check; then continue; fi
    printf '%s|%s\n' "$packages" "$purpose"
  done
}

case ${1:-} in
  --list | --missing)
    [ $# -eq 2 ] || usage
    letters "$2" >/dev/null
    mode=${1#--}
    rows "$2" "$mode" | while IFS='|' read -r packages _; do printf '%s\n' $packages; done
    exit 0
    ;;
  --markdown)
    [ $# -eq 1 ] || usage
    echo "| package | sample | tests | windows | fuzz | what it is for |"
    echo "|---|:-:|:-:|:-:|:-:|---|"
    for row in "${table[@]}"; do
      IFS='|' read -r packages sets _ purpose <<<"$row"
      marks=""
      for l in s t w f; do
        if [[ $sets == *$l* ]]; then marks+=" x |"; else marks+="   |"; fi
      done
      printf '| %s |%s %s |\n' "$packages" "$marks" "$purpose"
    done
    exit 0
    ;;
  -*) usage ;;
esac
[ $# -eq 1 ] || usage
set_name=$1
letters "$set_name" >/dev/null

packages=()
why=()
while IFS='|' read -r names purpose; do
  # shellcheck disable=SC2206  # a row may name two packages
  packages+=($names)
  why+=("$names (${purpose#*, })")
done < <(rows "$set_name" missing)
[ ${#packages[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "Debian packages that $(title "$set_name") need are missing; install them, then run this again:" >&2
  echo "    sudo apt-get install ${packages[*]}" >&2
  exit 1
fi
list=$(printf '%s, ' "${why[@]}")
echo "Installing for $(title "$set_name"): ${list%, }"
# apt-get's own lines go to a log, shown only when it fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y "${packages[@]}"; } >"$log" 2>&1; then
  cat "$log" >&2
  echo "install_packages.sh: apt-get failed (its lines above)" >&2
  exit 1
fi
