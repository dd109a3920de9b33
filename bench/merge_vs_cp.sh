#!/usr/bin/env bash
# Merging EFD-Contribuições files against copying them: generates COUNT
# company files of LINES lines (three of 300,000 by default), then times
# `fiscora-cli sped-mesclar` on them against `cp` of the same files, RUNS
# times each, interleaved, and prints the medians of the elapsed and of the
# processor time (user + system) with their ratios. The merged file is
# checked to end with its own line count.
#
# usage: bench/merge_vs_cp.sh [BUILD_DIR] [LINES] [RUNS] [COUNT]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
lines=${2:-300000}
runs=${3:-7}
count=${4:-3}

bench_build "$build" gen-contrib fiscora-cli

bench_work merge_vs_cp
files=()
for i in $(seq 1 "$count"); do
  f=$work/empresa$i.txt
  "$build/tools/gen-contrib" "$f" "$lines" "$i" --cnpj="1122233300${i}000" --establishments=2
  files+=("$f")
done
bytes=$(cat "${files[@]}" | wc -c)

[ -x /usr/bin/time ] || { echo "merge_vs_cp: /usr/bin/time is needed" >&2; exit 2; }
# Elapsed and processor (user + system) seconds of one command.
timed() {
  /usr/bin/time -f '%e %U %S' -o "$work/t.txt" "$@" > /dev/null 2>&1
  awk '{ printf "%s %.3f\n", $1, $2 + $3 }' "$work/t.txt"
}
cp_real=(); cp_cpu=(); merge_real=(); merge_cpu=()
for r in $(seq 1 "$runs"); do
  rm -rf "$work/copy" "$work/saida"
  mkdir "$work/copy"
  read -r real cpu < <(timed cp "${files[@]}" "$work/copy/")
  cp_real+=("$real"); cp_cpu+=("$cpu")
  read -r real cpu < <(timed "$build/cli/fiscora-cli" sped-mesclar --saida "$work/saida" "${files[@]}")
  merge_real+=("$real"); merge_cpu+=("$cpu")
done

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
merged=$work/saida/SPED_mesclado.txt
total=$(wc -l < "$merged")
last=$(tail -n 1 "$merged" | tr -d '\r')
[ "$last" = "|9999|$total|" ] || { echo "merge_vs_cp: last line $last, file has $total lines" >&2; exit 1; }
awk -v mr="$(median "${merge_real[@]}")" -v cr="$(median "${cp_real[@]}")" \
    -v mc="$(median "${merge_cpu[@]}")" -v cc="$(median "${cp_cpu[@]}")" \
    -v b="$bytes" -v n="$count" -v l="$total" 'BEGIN {
  printf "%d files, %.1f MB in all; merged file %d lines (medians of the runs)\n", n, b / 1e6, l
  printf "elapsed:   sped-mesclar %.3f s   cp %.3f s   ratio %.1f\n", mr, cr, mr / cr
  printf "processor: sped-mesclar %.3f s   cp %.3f s   ratio %.1f\n", mc, cc, (cc > 0 ? mc / cc : 0)
}'
