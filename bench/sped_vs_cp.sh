#!/usr/bin/env bash
# The SPED note analysis against copying the file: generates an EFD ICMS/IPI
# file of LINES lines (a million by default), then times, in one hyperfine
# run, RUNS analyses (`sped-analysis-run FILE`: the split into block files and
# the notes reader, as "Arquivo SPED" runs them) and RUNS copies
# (`cp FILE DEST`), and prints the mean of each and their ratio; then the
# peak resident memory of the analysis against the size of the file.
#
# usage: bench/sped_vs_cp.sh [BUILD_DIR] [LINES] [RUNS] [GEN-SPED OPTIONS...]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   LINES      lines of the generated file (default 1000000)
#   RUNS       runs of each command (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
lines=${2:-1000000}
runs=${3:-5}
shift $(( $# < 3 ? $# : 3 ))

bench_needs sped_vs_cp hyperfine /usr/bin/time
bench_build "$build" gen-sped sped-analysis-run

gen=$build/tools/gen-sped
run=$build/bench/sped-analysis-run
bench_work sped_vs_cp
file=$work/efd_$lines.txt

"$gen" "$file" "$lines" 2025 "$@"
bytes=$(stat -c %s "$file")
cat "$file" > /dev/null  # in the page cache for both

# "elapsed cpu" seconds of one run of the command (cpu: user + system).
hyperfine --style basic -N --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
  -n analysis "$run $file" \
  -n cp "cp $file $work/copy.txt"

# command,mean,stddev,median,user,system,min,max
an=$(awk -F, '$1 == "analysis" { print $2 }' "$work/times.csv")
cp_=$(awk -F, '$1 == "cp" { print $2 }' "$work/times.csv")
awk -v a="$an" -v c="$cp_" -v n="$lines" 'BEGIN {
  printf "\nanalysis: %.3f s   cp: %.3f s   analysis/cp = %.1f   (%.0f lines/s)\n", a, c, a / c, n / a
}'

/usr/bin/time -v "$run" "$file" > "$work/out.txt" 2> "$work/time.txt"
cat "$work/out.txt"
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
awk -v k="$peak_kb" -v b="$bytes" 'BEGIN {
  printf "peak memory of the analysis: %.1f MB for a file of %.1f MB (%.2f x the file)\n",
         k * 1024 / 1e6, b / 1e6, k * 1024 / b
}'
