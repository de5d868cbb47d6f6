#!/usr/bin/env bash
# Builds everything with the tests and runs them through CTest, on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup.sh build-tests -DBUILD_TESTING=ON
cmake --build build-tests -j "$(nproc)"
cd build-tests
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
