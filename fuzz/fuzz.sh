#!/usr/bin/env bash
# Fuzzes one target for a chosen time, e.g. ten minutes of join:
#   bash fuzz/fuzz.sh join 600 [more libFuzzer options]
# Builds build/fuzz with clang when needed. New inputs go to
# build/fuzz/corpus/<target> (the committed seeds in fuzz/corpus/<target> are
# read, never written), a failing input to build/fuzz/crashes/<target>-*.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: bash fuzz/fuzz.sh TARGET SECONDS [libFuzzer options]" >&2
  echo "targets: $(ls fuzz/corpus | tr '\n' ' ')" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
if [ ! -f build/fuzz/CMakeCache.txt ]; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -DSURVEY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build/fuzz -j2 --target "fuzz_$target" >/dev/null
mkdir -p "build/fuzz/corpus/$target" build/fuzz/crashes
exec "build/fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$PWD/build/fuzz/crashes/$target-" "$@" \
  "build/fuzz/corpus/$target" "fuzz/corpus/$target"
