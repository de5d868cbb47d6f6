#!/usr/bin/env bash
# Builds everything with the tests and runs them through CTest, on Qt's offscreen platform.
#   ./test.sh              optimized build in build-tests
#   ./test.sh --sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan
set -euo pipefail
cd "$(dirname "$0")"

build=build-tests
options=(-DBUILD_TESTING=ON)
case "${1:-}" in
  "") ;;
  --sanitize)
    build=build-asan
    options+=(-DSANITIZE=ON)
    # Any error, a leak included, ends the test that met it with a report.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
    ;;
  *)
    echo "usage: ./test.sh [--sanitize]" >&2
    exit 2
    ;;
esac

scripts/setup.sh "$build" "${options[@]}"
cmake --build "$build" -j "$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
