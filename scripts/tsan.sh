#!/usr/bin/env bash
# The threaded tests (audit loaders on worker threads, with their steps on
# the test's thread as on the window's) under ThreadSanitizer. Builds only
# the core tests, in build-tsan/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFISCORA_TSAN=ON \
  -DFISCORA_GUI=OFF -DFISCORA_BENCH=OFF -DFISCORA_TESTS=ON
cmake --build build-tsan -j "$(nproc)" --target fiscora_core_tests
# Any report fails the run.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  build-tsan/tests/fiscora_core_tests --gtest_filter='AuditLoaders.*:AuditCli.*'
