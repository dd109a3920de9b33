#!/usr/bin/env bash
# Fails when a source file of ours differs from what clang-format makes of it
# (the root .clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format
git ls-files '*.cpp' '*.h' | grep -v '^tests/layering/' | xargs clang-format --dry-run -Werror
echo "format: every file as clang-format writes it"
