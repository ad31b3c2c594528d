#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the core
# and window tests, then the core tests again under ASan and UBSan, then a
# bounded fuzz run of the core.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

bash scripts/build.sh build
(cd build && ctest --output-on-failure -j2)

bash scripts/build.sh build-asan -DVANTOR_CORE_ONLY=ON -DVANTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2)

bash scripts/fuzz.sh
