#!/usr/bin/env bash
# Sets up and runs every test: the normal build and its Debian package, then the
# threading tests under the thread sanitizer and every test under the address and
# undefined-behaviour sanitizers.
# A throw-away database server runs meanwhile for the server driver's tests (started
# as an unprivileged user in a temporary folder, stopped at the end even when a test
# fails).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

bash scripts/setup.sh build

pgdir=$(mktemp -d /tmp/vorkan42-pg-XXXXXX)
trap 'bash scripts/pg-cluster.sh stop "$pgdir"' EXIT
VORKAN42_TEST_CONNECTION=$(bash scripts/pg-cluster.sh start "$pgdir")
export VORKAN42_TEST_CONNECTION
(cd build && ctest --output-on-failure -j "$jobs")
# The Debian package: built, its dependencies listed, installed, run and removed.
bash scripts/package.sh --try build

bash scripts/setup.sh build-tsan -DVK_SANITIZE=thread -DVK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j "$jobs" -L threads)

bash scripts/setup.sh build-asan -DVK_SANITIZE=address -DVK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd build-asan && ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
  ctest --output-on-failure -j "$jobs")
