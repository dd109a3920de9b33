#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given number of
# seconds (default 60), starting from the seed corpus in fuzz/corpus/<target without _fuzz>.
# New inputs go to build-fuzz/corpus/<target>; a crash leaves its input in
# build-fuzz/findings/. Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang libclang-rt-14-dev
seconds="${1:-60}"
shift || true
cmake --preset fuzz >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(sed -n 's/^fiscora_fuzz_target(\(.*\))/\1/p' fuzz/CMakeLists.txt))
fi
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  echo "== $t: ${seconds} s"
  if ! build-fuzz/fuzz/"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="build-fuzz/findings/$t-" "build-fuzz/corpus/$t" "fuzz/corpus/${t%_fuzz}"; then
    status=1
  fi
done
exit $status
