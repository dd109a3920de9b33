#!/usr/bin/env bash
# The tests of the audit's worker threads (loaders with their steps on the
# test's thread as on the window's, and fiscora-cli auditoria) under
# ThreadSanitizer: preset "tsan", only the core tests built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset tsan >/dev/null
cmake --build build-tsan -j "$(nproc)" --target fiscora_core_tests
# Any report fails the run.
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" -R '^(AuditLoaders|AuditCli)\.'
