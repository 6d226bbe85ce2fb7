#!/usr/bin/env bash
# Replays the committed corpora of every fuzz target once, without fuzzing,
# under AddressSanitizer + UBSan: builds build/fuzz with clang (libFuzzer) and
# runs its CTest tests (label fuzz). CI runs it after the GCC suites.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_packages.sh fuzz
CC=clang CXX=clang++ cmake -S . -B build/fuzz -DSURVEY_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j2
ctest --test-dir build/fuzz -L fuzz -j2 --output-on-failure
