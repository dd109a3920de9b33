#!/usr/bin/env bash
# The batch against the same tasks run file by file: generates COUNT files of
# LINES lines (half SINTEGRA, half EFD ICMS/IPI; 200 of 50,000 by default),
# then, RUNS times in turn, times
#   fiscora-cli lote IN --saida OUT --paralelo JOBS          (default tasks)
#   xargs -P JOBS over fiscora-cli: `validar` on every file and `verificar`
#     on the SINTEGRA files, each envelope into its own file
#   gzip -1 -c of every file (the yardstick)
# and prints the medians of the elapsed and processor times with the ratios;
# then the peak resident memory of the batch against that of the largest
# single command. Only /usr/bin/time is needed.
#
# usage: bench/batch_vs_xargs.sh [BUILD_DIR] [COUNT] [LINES] [RUNS] [JOBS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
count=${2:-200}
lines=${3:-50000}
runs=${4:-3}
jobs=${5:-2}

bench_build "$build" gen-sintegra gen-sped fiscora-cli
[ -x /usr/bin/time ] || { echo "batch_vs_xargs: /usr/bin/time is needed" >&2; exit 2; }
bench_needs batch_vs_xargs xargs gzip

cli=$build/cli/fiscora-cli
bench_work batch_vs_xargs
mkdir -p "$work/in"
for i in $(seq 1 "$count"); do
  if [ $((i % 2)) -eq 1 ]; then
    "$build/tools/gen-sintegra" "$work/in/sintegra_$i.txt" "$lines" "$i" >/dev/null
  else
    "$build/tools/gen-sped" "$work/in/efd_$i.txt" "$lines" "$i" >/dev/null
  fi
done
bytes=$(cat "$work/in"/* | wc -c)

# One file's tasks as fiscora-cli runs them one at a time.
cat > "$work/one.sh" <<'ONE'
#!/bin/sh
cli=$1 file=$2 out=$3/$(basename "$2")
"$cli" validar "$file" > "$out.validar.json"
if [ "$(head -c 2 "$file")" = "10" ]; then "$cli" verificar "$file" > "$out.verificar.json"; fi
exit 0
ONE

# Elapsed and processor (user + system) seconds of one command.
timed() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/t.txt" "$@" > /dev/null 2>&1 || true
  awk '{ printf "%s %.3f %s\n", $1, $2 + $3, $4 }' "$work/t.txt"
}
lote_real=(); lote_cpu=(); xargs_real=(); xargs_cpu=(); gzip_real=(); gzip_cpu=(); lote_kb=0
for _ in $(seq 1 "$runs"); do
  rm -rf "$work/lote" "$work/xargs"
  mkdir "$work/xargs"
  read -r real cpu kb < <(timed "$cli" lote "$work/in" --saida "$work/lote" --paralelo "$jobs")
  lote_real+=("$real"); lote_cpu+=("$cpu"); lote_kb=$kb
  read -r real cpu kb < <(timed sh -c 'find "$1/in" -type f | sort |
      xargs -P "$2" -I{} sh "$1/one.sh" "$3" {} "$1/xargs"' _ "$work" "$jobs" "$cli")
  xargs_real+=("$real"); xargs_cpu+=("$cpu")
  read -r real cpu kb < <(timed sh -c 'cat "$1"/in/* | gzip -1 -c > /dev/null' _ "$work")
  gzip_real+=("$real"); gzip_cpu+=("$cpu")
done
rows=$(wc -l < "$work/lote/resumo.jsonl")
[ "$rows" -eq "$count" ] || { echo "batch_vs_xargs: $rows summary rows for $count files" >&2; exit 1; }
envelopes=$(find "$work/xargs" -name '*.json' | wc -l)

# The largest single command's peak memory: verificar on the first SINTEGRA file.
single_kb=$( (/usr/bin/time -f %M "$cli" verificar "$work/in/sintegra_1.txt" 2>&1 >/dev/null) | tail -n 1)

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
awk -v lr="$(median "${lote_real[@]}")" -v xr="$(median "${xargs_real[@]}")" \
    -v gr="$(median "${gzip_real[@]}")" -v lc="$(median "${lote_cpu[@]}")" \
    -v xc="$(median "${xargs_cpu[@]}")" -v gc="$(median "${gzip_cpu[@]}")" \
    -v b="$bytes" -v n="$count" -v l="$lines" -v j="$jobs" -v e="$envelopes" \
    -v lk="$lote_kb" -v sk="$single_kb" 'BEGIN {
  printf "%d files of %d lines, %.0f MB in all, %d at a time (medians of the runs)\n", n, l, b / 1e6, j
  printf "elapsed:   lote %.2f s   xargs -P %d %.2f s (%d envelopes)   gzip -1 %.2f s\n", lr, j, xr, e, gr
  printf "           lote / xargs %.2f   lote / gzip %.2f   xargs / gzip %.2f\n", lr / xr, lr / gr, xr / gr
  printf "processor: lote %.2f s   xargs %.2f s   gzip -1 %.2f s\n", lc, xc, gc
  printf "peak resident memory: lote %d KB, one verificar %d KB\n", lk, sk
}'
