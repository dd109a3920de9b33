#!/usr/bin/env bash
# The core and fiscora-cli tests built with AddressSanitizer and
# UndefinedBehaviorSanitizer (preset "asan"), then the threaded tests under
# ThreadSanitizer (preset "tsan": fiscora_thread_tests, the audit loaders',
# the batch's, the NF-e reader's and the working-file writer's tests, which
# run worker threads). Only what these runs need is built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs="$(nproc)"

cmake --preset asan >/dev/null
cmake --build build-asan -j "$jobs" --target fiscora_core_tests
# Every test in one process: a sanitized binary takes a good part of a
# second to start, which ctest would pay once a test.
(cd build-asan/tests &&
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ./fiscora_core_tests --gtest_brief=1)

# The tests that run worker threads.
cmake --preset tsan >/dev/null
cmake --build build-tsan -j "$jobs" --target fiscora_thread_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" -R '^(AuditLoaders|AuditCli|AuditoriaEfd|EfdAudit|Batch|BatchInput|NfeAccessKey|NfeDocument|NfeFolder|LineWriter|InputCheckAhead)\.'

