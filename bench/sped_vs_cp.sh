#!/usr/bin/env bash
# The SPED note analysis against copying the file: generates an EFD ICMS/IPI
# file of LINES lines (a million by default), then, in one run, times RUNS
# copies (`cp FILE DEST`) and RUNS analyses (`sped-analysis-run FILE`: the
# split into block files and the notes reader, as "Arquivo SPED" runs them),
# alternating the two, and prints the best elapsed and the best processor
# time (user + system) of each and their ratios; then the peak resident
# memory of the analysis against the size of the file.
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

# "elapsed cpu" seconds of one run of the command (cpu: user + system).
measure() {
  /usr/bin/time -f '%e %U %S' -o "$work/t.txt" "$@" > /dev/null 2>&1
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/t.txt"
}

best() { sort -g | head -n 1; }
: > "$work/cp.txt"
: > "$work/an.txt"
for ((i = 0; i < runs; i++)); do
  read -r ce cc < <(measure cp "$file" "$work/copy.txt")
  read -r ae ac < <(measure "$run" "$file")
  echo "$ce $cc" >> "$work/cp.txt"
  echo "$ae $ac" >> "$work/an.txt"
  printf 'run %d: cp %s s (cpu %s s), analysis %s s (cpu %s s)\n' "$((i + 1))" "$ce" "$cc" "$ae" "$ac"
done
cp_e=$(cut -d' ' -f1 "$work/cp.txt" | best); cp_c=$(cut -d' ' -f2 "$work/cp.txt" | best)
an_e=$(cut -d' ' -f1 "$work/an.txt" | best); an_c=$(cut -d' ' -f2 "$work/an.txt" | best)
awk -v ce="$cp_e" -v cc="$cp_c" -v ae="$an_e" -v ac="$an_c" 'BEGIN {
  printf "\nbest elapsed: cp %.3f s, analysis %.3f s, analysis/cp = %.1f\n", ce, ae, ae / ce
  printf "best cpu:     cp %.3f s, analysis %.3f s, analysis/cp = %.1f\n", cc, ac, (cc > 0 ? ac / cc : 0)
}'

/usr/bin/time -v "$run" "$file" > "$work/out.txt" 2> "$work/time.txt"
cat "$work/out.txt"
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
awk -v k="$peak_kb" -v b="$bytes" 'BEGIN {
  printf "peak memory of the analysis: %.1f MB for a file of %.1f MB (%.2f x the file)\n",
         k * 1024 / 1e6, b / 1e6, k * 1024 / b
}'
