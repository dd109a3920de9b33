#!/usr/bin/env bash
# The stock audit from EFD files against gzip -1 of all its input files:
# generates PERIODS months (12 by default) of an establishment, each an EFD
# ICMS/IPI file of about LINES lines (300,000) from gen-sped with the C100,
# C170 and C190 lines of a gen-nfe month spliced into its block C, and the
# NF-e XML files of those months (NOTES in all, 50,000 by default: own
# exits without C170, whose items come from the XML); an opening inventory
# of 31/12 of the year before and a closing one of the last month (block H
# of every product of 0200). Then times, in one hyperfine run, RUNS audits
# (`fiscora-cli auditoria-efd ... --xml DIR`, the envelope to /dev/null)
# and RUNS `gzip -1 -c` of every input file concatenated, and prints the
# mean of each and their ratio. Then the peak resident memory of the audit
# without XML over 3, 6 and PERIODS periods (it should not grow with the
# periods beyond the per-product table) and of the whole audit.
#
# usage: bench/efd_audit_vs_gzip.sh [BUILD_DIR] [PERIODS] [LINES] [NOTES] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
periods=${2:-12}
lines=${3:-300000}
notes=${4:-50000}
runs=${5:-3}

bench_needs efd_audit_vs_gzip hyperfine gzip /usr/bin/time awk
bench_build "$build" gen-sped gen-nfe fiscora-cli

gen_sped=$build/tools/gen-sped
gen_nfe=$build/tools/gen-nfe
cli=$build/cli/fiscora-cli
bench_work efd_audit_vs_gzip
year=2025
per_month=$((notes / periods))

args=()
for m in $(seq 1 "$periods"); do
  mm=$(printf '%02d' "$m")
  # The XML files and their bookings first: gen-sped fills the rest.
  "$gen_nfe" "$work/xml/$mm" "$per_month" "$m" --cnpj=41334079000174 --efd="$work/n$mm.txt" \
    --period="$year-$mm" > /dev/null
  awk -F'|' '$2 ~ /^C1/' "$work/n$mm.txt" > "$work/c$mm.txt"
  spliced=$(wc -l < "$work/c$mm.txt")
  "$gen_sped" "$work/g$mm.txt" $((lines - spliced)) "$m" --period="$year-$mm" > /dev/null
  # One establishment (gen-sped picks one by the seed), and the month's
  # notes before the closing of block C.
  awk -F'|' -v c="$work/c$mm.txt" '
    NR == 1 { OFS = "|"; $8 = "41334079000174"; print; OFS = " "; next }
    /^\|C990\|/ { while ((getline l < c) > 0) print l }
    { print }' "$work/g$mm.txt" > "$work/p$mm.txt"
  rm "$work/g$mm.txt" "$work/n$mm.txt" "$work/c$mm.txt"
  args+=(--periodo "$work/p$mm.txt")
done

# The inventories: every product of January's 0200, in a file of its own
# whose 0000 is the month before the first (opening) and after the last
# (closing).
inventory() {  # FILE DT_INI DT_FIN DT_INV
  awk -F'|' -v ini="$2" -v fin="$3" -v inv="$4" '
    NR == 1 { OFS = "|"; $5 = ini; $6 = fin; print; next }
    $2 == "0200" { print; codes[++n] = $3; next }
    $2 == "0990" {
      print
      print "|H001|0|\r"
      printf "|H005|%s|%d,00|01|\r\n", inv, n * 100
      for (i = 1; i <= n; ++i) printf "|H010|%s|UN|10|10,00|100,00|0||||\r\n", codes[i]
      print "|H990|" n + 3 "|\r"
      print "|9999|0|\r"
      exit
    }
    NR > 1 && $2 != "9999" { print }' "$work/p01.txt" > "$1"
}
last=$(printf '%02d' "$periods")
last_day=$(date -d "$year-$last-01 +1 month -1 day" +%d)
inventory "$work/inv_ini.txt" "01$(printf '%02d' 12)$((year - 1))" "31$(printf '%02d' 12)$((year - 1))" \
  "3112$((year - 1))"
inventory "$work/inv_fim.txt" "01$last$year" "$last_day$last$year" "$last_day$last$year"
# The closing inventory's file covers the last month, as the period does:
# it is read for its block H only.

find "$work/xml" -name '*.xml' -print0 | sort -z | xargs -0 cat > "$work/all.bin"
cat "$work"/p*.txt "$work/inv_ini.txt" "$work/inv_fim.txt" >> "$work/all.bin"
bytes=$(stat -c %s "$work/all.bin")
efd_lines=$(cat "$work"/p*.txt | wc -l)
xml_files=$(find "$work/xml" -name '*.xml' | wc -l)
echo "EFD: $periods periods, $efd_lines lines; XML: $xml_files files; all inputs: $bytes bytes"

audit=("$cli" auditoria-efd --markup 1,5 --inventario-inicial "$work/inv_ini.txt"
  --inventario-final "$work/inv_fim.txt" "${args[@]}")
"${audit[@]}" --xml "$work/xml" > "$work/out.json"
echo "exit notes whose items came from the XML: $(grep -o '"saidas_por_xml":[0-9]*' "$work/out.json" | cut -d: -f2)"

hyperfine --style basic -N --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
  -n auditoria-efd "${audit[*]} --xml $work/xml" \
  -n gzip "gzip -1 -c $work/all.bin"
aud=$(awk -F, '$1 == "auditoria-efd" { print $2 }' "$work/times.csv")
gz=$(awk -F, '$1 == "gzip" { print $2 }' "$work/times.csv")
awk -v a="$aud" -v g="$gz" -v b="$bytes" 'BEGIN {
  printf "\nauditoria-efd: %.3f s   gzip -1: %.3f s   auditoria-efd/gzip = %.2f   (%.0f MB/s)\n",
         a, g, a / g, b / 1e6 / a
}'

# The memory over 3, 6 and all periods without XML, then the whole audit.
# Without XML every own exit is listed in "Saídas sem itens": the envelope
# (and the peak) grows with that list, which the count beside it shows; the
# per-product table itself does not grow with the periods.
peak() {
  /usr/bin/time -v "$@" > "$work/peak.json" 2> "$work/time.txt"
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); printf "%.1f MB", $2 / 1024 }' \
    "$work/time.txt"
  printf ' (%s products, %s exits listed without items, envelope %s bytes)' \
    "$(grep -o '"produtos":[0-9]*' "$work/peak.json" | cut -d: -f2)" \
    "$(grep -o '"saidas_sem_itens":\[[^]]*\]' "$work/peak.json" | grep -o '"chave"' | wc -l)" \
    "$(stat -c %s "$work/peak.json")"
}
for n in $(printf '%s\n' 3 6 "$periods" | awk -v p="$periods" '$1 <= p' | sort -nu); do
  sub=()
  for m in $(seq 1 "$n"); do sub+=(--periodo "$work/p$(printf '%02d' "$m").txt"); done
  echo "peak memory, $n periods without XML: $(peak "$cli" auditoria-efd --markup 1,5 \
    --inventario-inicial "$work/inv_ini.txt" "${sub[@]}")"
done
echo "peak memory, the whole audit: $(peak "${audit[@]}" --xml "$work/xml")"
