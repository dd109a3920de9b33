#!/usr/bin/env bash
# Merging EFD-Contribuições files against copying them: generates COUNT
# company files of LINES lines (three of 300,000 by default), then times
# `fiscora-cli sped-mesclar` on them against `cp` of the same files, RUNS
# times each, interleaved, and prints the medians and their ratio. The merged
# file is checked to end with its own line count.
#
# usage: bench/merge_vs_cp.sh [BUILD_DIR] [LINES] [RUNS] [COUNT]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
lines=${2:-300000}
runs=${3:-7}
count=${4:-3}

if [ ! -d "$build" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DFISCORA_GUI=OFF >/dev/null
fi
cmake --build "$build" --target gen-contrib fiscora-cli >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/fiscora_merge_vs_cp.XXXXXX")
trap 'rm -rf "$work"' EXIT
files=()
for i in $(seq 1 "$count"); do
  f=$work/empresa$i.txt
  "$build/tools/gen-contrib" "$f" "$lines" "$i" --cnpj="1122233300${i}000" --establishments=2
  files+=("$f")
done
bytes=$(cat "${files[@]}" | wc -c)

now() { date +%s.%N; }
cp_times=()
merge_times=()
for r in $(seq 1 "$runs"); do
  rm -rf "$work/copy" "$work/saida"
  mkdir "$work/copy"
  t0=$(now); cp "${files[@]}" "$work/copy/"; t1=$(now)
  "$build/cli/fiscora-cli" sped-mesclar --saida "$work/saida" "${files[@]}" >/dev/null
  t2=$(now)
  cp_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
  merge_times+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
done

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
cp_med=$(median "${cp_times[@]}")
merge_med=$(median "${merge_times[@]}")
merged=$work/saida/SPED_mesclado.txt
total=$(wc -l < "$merged")
last=$(tail -n 1 "$merged" | tr -d '\r')
[ "$last" = "|9999|$total|" ] || { echo "merge_vs_cp: last line $last, file has $total lines" >&2; exit 1; }
awk -v m="$merge_med" -v c="$cp_med" -v b="$bytes" -v n="$count" -v l="$total" 'BEGIN {
  printf "%d files, %.1f MB in all; merged file %d lines\n", n, b / 1e6, l
  printf "sped-mesclar: %.3f s   cp: %.3f s   (medians)   sped-mesclar/cp = %.1f\n", m, c, m / c
}'
