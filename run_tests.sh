#!/usr/bin/env bash
# Builds the tools and runs every test: bash run_tests.sh [default|sanitize|windows]
#
# windows: builds the Linux programs (build/default) and the Windows release
# (mingw-w64, build/windows: the programs and survey-tools-VERSION-win64.zip),
# then runs the Windows programs under wine beside the Linux ones
# (tests/wine), in the wine prefix build/windows/wineprefix, made on the first
# run.
set -euo pipefail
cd "$(dirname "$0")"
preset=${1:-default}
case $preset in
  default | sanitize) bash scripts/install_packages.sh tests ;;
  windows) bash scripts/install_packages.sh windows ;;
  *) echo "usage: bash run_tests.sh [default|sanitize|windows]" >&2; exit 2 ;;
esac
if [ "$preset" = windows ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default -j2
  rm -f build/windows/survey-tools-*-win64.zip
  cmake --workflow --preset windows-release
  export WINEPREFIX=$PWD/build/windows/wineprefix WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Making the wine prefix $WINEPREFIX ..."
    env -u DISPLAY wine wineboot --init >/dev/null 2>&1
    wineserver -w
  fi
  exec /usr/bin/python3 -m unittest discover -s tests/wine -p 'test_*.py' -v
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2
ctest --preset "$preset"
