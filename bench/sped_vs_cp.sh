#!/usr/bin/env bash
# The SPED note analysis against copying the file: generates an EFD ICMS/IPI
# file of LINES lines (a million by default), then, in one run, times RUNS
# copies (`cp FILE DEST`) and RUNS analyses (`sped-analysis-run FILE`: the
# split into block files and the notes reader, as "Arquivo SPED" runs them),
# alternating the two, and prints the best time of each and their ratio;
# then the peak resident memory of the analysis against the size of the file.
#
# usage: bench/sped_vs_cp.sh [BUILD_DIR] [LINES] [RUNS] [GEN-SPED OPTIONS...]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   LINES      lines of the generated file (default 1000000)
#   RUNS       runs of each command (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
lines=${2:-1000000}
runs=${3:-5}
shift $(( $# < 3 ? $# : 3 ))

[ -x /usr/bin/time ] || { echo "sped_vs_cp: /usr/bin/time is needed" >&2; exit 2; }
if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DFISCORA_GUI=OFF >/dev/null
fi
cmake --build "$build" --target gen-sped sped-analysis-run >/dev/null

gen=$build/tools/gen-sped
run=$build/bench/sped-analysis-run
work=$(mktemp -d "${TMPDIR:-/tmp}/fiscora_sped_vs_cp.XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/efd_$lines.txt

"$gen" "$file" "$lines" 2025 "$@"
bytes=$(stat -c %s "$file")
cat "$file" > /dev/null  # in the page cache for both

elapsed() {  # seconds of one run of the command
  local t0 t1
  t0=$(date +%s.%N)
  "$@" > /dev/null 2>&1
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}

best_cp=999999 best_run=999999
for ((i = 0; i < runs; i++)); do
  c=$(elapsed cp "$file" "$work/copy.txt")
  a=$(elapsed "$run" "$file")
  best_cp=$(echo "if ($c < $best_cp) $c else $best_cp" | bc -l)
  best_run=$(echo "if ($a < $best_run) $a else $best_run" | bc -l)
  printf 'run %d: cp %.3f s, analysis %.3f s\n' "$((i + 1))" "$c" "$a"
done
printf '\nbest: cp %.3f s, analysis %.3f s, analysis/cp = %.1f\n' "$best_cp" "$best_run" \
  "$(echo "$best_run / $best_cp" | bc -l)"

/usr/bin/time -v "$run" "$file" > "$work/out.txt" 2> "$work/time.txt"
grep -v '^\s' "$work/time.txt" | head -n 1 || true
cat "$work/out.txt"
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
awk -v k="$peak_kb" -v b="$bytes" 'BEGIN {
  printf "peak memory of the analysis: %.1f MB for a file of %.1f MB (%.2f x the file)\n",
         k * 1024 / 1e6, b / 1e6, k * 1024 / b
}'
