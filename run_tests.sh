#!/usr/bin/env bash
# Builds the tools and runs every test: bash run_tests.sh [default|sanitize]
set -euo pipefail
cd "$(dirname "$0")"
preset=${1:-default}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2
ctest --preset "$preset"
