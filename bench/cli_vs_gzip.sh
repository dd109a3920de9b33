#!/usr/bin/env bash
# fiscora-cli at size, against gzip: each command of the table runs on its
# generated file in one hyperfine run with `gzip -1 -c FILE > /dev/null` of
# the same file (a CPU-bound yardstick that holds steadier than cp), and its
# peak resident memory is taken with /usr/bin/time -v. Prints one row per
# case: the mean times, their ratio, the peak memory and its ratio to the
# file's size.
#
# usage: bench/cli_vs_gzip.sh [BUILD_DIR] [RUNS] [CASE...]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   RUNS       hyperfine runs of each command (default 5)
#   CASE       some of: validar-problemas validar-duas-falhas validar-limpo
#              sped-notas verificar-problemas verificar-simples auditoria
#              (default: all)
# The files are generated into a temporary folder removed at exit; set
# FISCORA_BENCH_DIR=/some/folder to keep them there between runs.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
runs=${2:-5}
shift $(( $# > 2 ? 2 : $# ))
cases=("$@")
if [ ${#cases[@]} -eq 0 ]; then
  cases=(validar-problemas validar-duas-falhas validar-limpo sped-notas verificar-problemas
         verificar-simples auditoria)
fi

bench_needs cli_vs_gzip hyperfine /usr/bin/time gzip python3
bench_build "$build" gen-sintegra gen-sped fiscora-cli
gen=$build/tools/gen-sintegra
gen_sped=$build/tools/gen-sped
cli=$build/cli/fiscora-cli
if [ -n "${FISCORA_BENCH_DIR:-}" ]; then
  files=$FISCORA_BENCH_DIR
  mkdir -p "$files"
  bench_work cli_vs_gzip
else
  bench_work cli_vs_gzip
  files=$work
fi

# generate FILE COMMAND...: runs the command to write FILE unless it is there.
generate() {
  local file=$1
  shift
  [ -s "$file" ] || "$@" > /dev/null
}

# The files of the table.
plain=$files/sintegra_1m.txt          # a month of a shop, a million lines
problems=$files/sintegra_1m_problemas.txt  # full of problems, records out of order
two_faults=$files/sintegra_500k_duas_falhas.txt
sped=$files/efd_1m.txt
inv_ini=$files/inventario_inicial.txt inv_fim=$files/inventario_final.txt
period1=$files/periodo_1.txt period2=$files/periodo_2.txt

need_file() {
  case $1 in
    plain) generate "$plain" "$gen" "$plain" 1000000 2025 ;;
    problems) generate "$problems" "$gen" "$problems" 1000000 2025 --problems ;;
    two_faults)
      # Two faults on every line after record 10: columns 3 to 16 (a CNPJ,
      # a record's subtype and date...) overwritten by letters, and the last
      # blank of the line cut (a line of 125 characters).
      if [ ! -s "$two_faults" ]; then
        "$gen" "$work/500k.txt" 500000 2025 > /dev/null
        sed -E '2,$ {/^90/! s/^(..)(.{14})/\1ABCDEFGHIJKLMN/; s/ ?\r$/\r/}' "$work/500k.txt" \
          > "$two_faults"
        rm -f "$work/500k.txt"
      fi
      ;;
    sped) generate "$sped" "$gen_sped" "$sped" 1000000 2025 ;;
    audit)
      # Two inventories of about 55,000 items (records 10, 74 and 75 of a
      # generated month) and two periods of 206,000 lines.
      for f in "$inv_ini:2025-01" "$inv_fim:2025-03"; do
        if [ ! -s "${f%%:*}" ]; then
          "$gen" "$work/inv.txt" 1375000 2025 "--period=${f##*:}" > /dev/null
          grep -aE '^(10|74|75)' "$work/inv.txt" > "${f%%:*}"
          rm -f "$work/inv.txt"
        fi
      done
      generate "$period1" "$gen" "$period1" 206000 2025 --period=2025-02
      generate "$period2" "$gen" "$period2" 206000 2025 --period=2025-03
      ;;
  esac
}

# run NAME FILE BYTES ARGS...: one row of the table.
run() {
  local name=$1 file=$2 bytes=$3
  shift 3
  local json=$work/$name.json
  hyperfine -N --style none --warmup 1 --runs "$runs" -i --export-json "$json" \
    -n cli "$cli $*" -n gzip "gzip -1 -c $file" > /dev/null 2> "$work/hyperfine.txt"
  /usr/bin/time -v "$cli" "$@" > /dev/null 2> "$work/time.txt" || true
  local kb
  kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
  python3 - "$json" "$name" "$bytes" "$kb" <<'EOF'
import json, sys
data = json.load(open(sys.argv[1]))
mean = {r["command"]: r["mean"] for r in data["results"]}
name, size, kb = sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
peak = kb * 1024
print(f"| {name} | {mean['cli']:.2f} s | {mean['gzip']:.2f} s | {mean['cli'] / mean['gzip']:.2f} x "
      f"| {peak / 1e6:.0f} MB | {size / 1e6:.0f} MB | {peak / size:.2f} x |")
EOF
}

size() { stat -c %s "$1"; }

echo "| case | fiscora-cli | gzip -1 | ratio | peak memory | file | ratio |"
echo "|---|---|---|---|---|---|---|"
for c in "${cases[@]}"; do
  case $c in
    validar-problemas) need_file problems; run "$c" "$problems" "$(size "$problems")" validar "$problems" ;;
    validar-duas-falhas) need_file two_faults; run "$c" "$two_faults" "$(size "$two_faults")" validar "$two_faults" ;;
    validar-limpo) need_file plain; run "$c" "$plain" "$(size "$plain")" validar "$plain" ;;
    sped-notas) need_file sped; run "$c" "$sped" "$(size "$sped")" sped-notas "$sped" ;;
    verificar-problemas) need_file problems; run "$c" "$problems" "$(size "$problems")" verificar "$problems" ;;
    verificar-simples) need_file plain; run "$c" "$plain" "$(size "$plain")" verificar "$plain" ;;
    auditoria)
      need_file audit
      # gzip of the four files together: one file of their bytes.
      all=$work/auditoria_todos.txt
      cat "$inv_ini" "$inv_fim" "$period1" "$period2" > "$all"
      run "$c" "$all" "$(size "$all")" auditoria --markup 30 --inventario-inicial "$inv_ini" \
        --inventario-final "$inv_fim" --periodo "$period1" --periodo "$period2"
      ;;
    *) echo "cli_vs_gzip: unknown case $c" >&2; exit 2 ;;
  esac
done
