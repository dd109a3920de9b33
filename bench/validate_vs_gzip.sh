#!/usr/bin/env bash
# The validation against `gzip -1` of the same file: generates a clean
# SINTEGRA file (gen-sintegra), an EFD ICMS/IPI file (gen-sped) and the
# SINTEGRA file with its lines in reverse order (about one finding per
# line), each of LINES lines (a million by default); times, in one hyperfine
# run, `fiscora-cli validar FILE` and `gzip -1 -c FILE` of each (exit code 3,
# errors found, is no failure here) and prints
# the mean times and the ratios; then the peak resident memory of each
# validation against the size of its file, with the number of findings.
#
# usage: bench/validate_vs_gzip.sh [BUILD_DIR] [LINES] [RUNS]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   LINES      lines of each generated file (default 1000000)
#   RUNS       runs of each command (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
lines=${2:-1000000}
runs=${3:-5}

bench_needs validate_vs_gzip hyperfine gzip tac /usr/bin/time
bench_build "$build" gen-sintegra gen-sped fiscora-cli

cli=$build/cli/fiscora-cli
bench_work validate_vs_gzip
"$build/tools/gen-sintegra" "$work/sintegra.txt" "$lines" 2025 > /dev/null
"$build/tools/gen-sped" "$work/efd.txt" "$lines" 2025 > /dev/null
tac "$work/sintegra.txt" > "$work/reversed.txt"
shapes="sintegra efd reversed"
for s in $shapes; do cat "$work/$s.txt" > /dev/null; done  # in the page cache

args=()
for s in $shapes; do
  args+=(-n "validar $s" "$cli validar $work/$s.txt" -n "gzip $s" "gzip -1 -c $work/$s.txt")
done
hyperfine --style basic -N -i --warmup 1 --runs "$runs" --export-csv "$work/times.csv" "${args[@]}"

echo
for s in $shapes; do
  v=$(awk -F, -v n="validar $s" '$1 == n { print $2 }' "$work/times.csv")
  g=$(awk -F, -v n="gzip $s" '$1 == n { print $2 }' "$work/times.csv")
  /usr/bin/time -v "$cli" validar "$work/$s.txt" > "$work/out.json" 2> "$work/time.txt" || true
  kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
  findings=$(grep -o '"validation_\(errors\|warnings\)":[0-9]*' "$work/out.json" |
             awk -F: '{ n += $2 } END { print n + 0 }')
  bytes=$(stat -c %s "$work/$s.txt")
  awk -v s="$s" -v v="$v" -v g="$g" -v k="$kb" -v b="$bytes" -v f="$findings" 'BEGIN {
    printf "%-9s validar %.3f s  gzip -1 %.3f s  ratio %.2f   peak %.1f MB = %.2f x the file (%.1f MB), %d findings\n",
           s, v, g, v / g, k * 1024 / 1e6, k * 1024 / b, b / 1e6, f
  }'
done
