#!/usr/bin/env bash
# Loading and verifying a SINTEGRA file against copying it: generates a file
# of LINES lines (a million by default), times `fiscora-cli carregar FILE`,
# `fiscora-cli verificar FILE` and `cp FILE DEST` in one hyperfine run and
# prints how many copies one load and one verification cost; then the peak
# resident memory of each against the size of the file.
#
# usage: bench/load_vs_cp.sh [BUILD_DIR] [LINES] [RUNS]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   LINES      lines of the generated file (default 1000000)
#   RUNS       hyperfine runs of each command (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
lines=${2:-1000000}
runs=${3:-5}

bench_needs load_vs_cp hyperfine /usr/bin/time
bench_build "$build" gen-sintegra fiscora-cli

gen=$build/tools/gen-sintegra
cli=$build/cli/fiscora-cli
bench_work load_vs_cp
file=$work/sintegra_$lines.txt

"$gen" "$file" "$lines" 2025 | head -n 1
bytes=$(stat -c %s "$file")

hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
  -n carregar "$cli carregar $file > /dev/null" \
  -n verificar "$cli verificar $file > /dev/null" \
  -n cp "cp $file $work/copy.txt"

# command,mean,stddev,median,user,system,min,max
load_mean=$(awk -F, '$1 == "carregar" { print $2 }' "$work/times.csv")
verify_mean=$(awk -F, '$1 == "verificar" { print $2 }' "$work/times.csv")
cp_mean=$(awk -F, '$1 == "cp" { print $2 }' "$work/times.csv")
awk -v l="$load_mean" -v v="$verify_mean" -v c="$cp_mean" -v n="$lines" 'BEGIN {
  printf "\ncarregar: %.3f s   cp: %.3f s   carregar/cp = %.1f   (%.0f lines/s)\n", l, c, l / c, n / l
  printf "verificar: %.3f s   cp: %.3f s   verificar/cp = %.1f   (%.0f lines/s)\n", v, c, v / c, n / v
}'

for command in carregar verificar; do
  /usr/bin/time -v "$cli" "$command" "$file" > /dev/null 2> "$work/time.txt"
  peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
  awk -v k="$peak_kb" -v b="$bytes" -v c="$command" 'BEGIN {
    printf "peak memory of %s: %.1f MB for a file of %.1f MB (%.2f x the file)\n",
           c, k * 1024 / 1e6, b / 1e6, k * 1024 / b
  }'
done
