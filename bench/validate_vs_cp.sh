#!/usr/bin/env bash
# The validation of a SINTEGRA file against copying it: generates a file of
# LINES lines (a million by default), runs `fiscora-cli validar FILE` and
# `cp FILE DEST` RUNS times each, alternating, and prints the best wall time
# of each and their ratio (the best of several runs is the least disturbed
# by other work on the machine); then the peak resident memory of the
# validation of this file and of a generated file twice as long. With --faulty the
# dates of every record 60 are moved out of the period first, so that the
# file has hundreds of thousands of findings.
#
# usage: bench/validate_vs_cp.sh [BUILD_DIR] [LINES] [RUNS] [--faulty]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
lines=${2:-1000000}
runs=${3:-7}
faulty=${4:-}

bench_build "$build" gen-sintegra fiscora-cli

gen=$build/tools/gen-sintegra
cli=$build/cli/fiscora-cli
bench_work validate_vs_cp
file=$work/sintegra_$lines.txt
double=$work/sintegra_double.txt

"$gen" "$file" "$lines" 2025 | head -n 1
if [ "$faulty" = "--faulty" ]; then
  sed -i 's/^\(60[MADI]\)2025/\12024/' "$file"
fi
bytes=$(stat -c %s "$file")

seconds() { # prints the wall time of one run of the command
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || true
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

best_v=999 best_c=999
for _ in $(seq "$runs"); do
  v=$(seconds "$cli" validar "$file")
  c=$(seconds cp "$file" "$work/copy.txt")
  best_v=$(echo "if ($v < $best_v) $v else $best_v" | bc -l)
  best_c=$(echo "if ($c < $best_c) $c else $best_c" | bc -l)
done
findings=$("$cli" validar "$file" | grep -o '"validation_errors":[0-9]*' || true)
printf 'validar: %.3f s   cp: %.3f s   ratio: %.2f   (%s)\n' "$best_v" "$best_c" \
  "$(echo "$best_v / $best_c" | bc -l)" "$findings"

"$gen" "$double" "$(( lines * 2 ))" 2025 >/dev/null
for f in "$file" "$double"; do
  kb=$( (/usr/bin/time -f %M "$cli" validar "$f" 2>&1 >/dev/null || true) | tail -n 1)
  printf 'peak resident memory: %s KB for a file of %s MB\n' "$kb" "$(( $(stat -c %s "$f") / 1000000 ))"
done
