#!/usr/bin/env bash
# The reconciliation of NF-e XML files with an EFD file against gzip -1 of
# the XML files concatenated: generates NOTES files with gen-nfe (100,000 by
# default, about 1 GB) and the EFD ICMS/IPI file that books them (C170 lines
# for every note: about 1,000,000 lines), then times, in one hyperfine run,
# RUNS reconciliations (`fiscora-cli conciliar-xml --xml DIR --efd FILE`, the
# JSON envelope written to /dev/null) and RUNS `gzip -1 -c ALL.xml`, and
# prints the mean of each and their ratio. Then: the result of two runs
# compared byte for byte (the threads never change the order); the reader
# on one thread and on two; the memory of the summaries (the resident growth
# per note over the read, at half and at all of the files, and the peak of
# fiscora-cli).
#
# usage: bench/nfe_vs_gzip.sh [BUILD_DIR] [NOTES] [RUNS]
#   BUILD_DIR  a configured build folder (default: build-bench beside bench/)
#   NOTES      XML files to generate (default 100000)
#   RUNS       runs of each command (default 3)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/common.sh"
build=${1:-$root/build-bench}
notes=${2:-100000}
runs=${3:-3}

bench_needs nfe_vs_gzip hyperfine gzip /usr/bin/time
bench_build "$build" gen-nfe fiscora-cli nfe-read-run

gen=$build/tools/gen-nfe
cli=$build/cli/fiscora-cli
run=$build/bench/nfe-read-run
bench_work nfe_vs_gzip
xml=$work/xml
efd=$work/efd.txt

"$gen" "$xml" "$notes" 2025 --cnpj=11222333000181 --efd="$efd" --c170 --items=1-14
find "$xml" -name '*.xml' -print0 | sort -z | xargs -0 cat > "$work/all.xml"
bytes=$(stat -c %s "$work/all.xml")
lines=$(wc -l < "$efd")
cat "$work/all.xml" "$efd" > /dev/null  # in the page cache for both
echo "XML: $notes files, $bytes bytes; EFD: $lines lines"

# Both outputs go to /dev/null (hyperfine's default). fiscora-cli exits 0:
# the generated month has no faults.
hyperfine --style basic -N --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
  -n conciliar-xml "$cli conciliar-xml --xml $xml --efd $efd" \
  -n gzip "gzip -1 -c $work/all.xml"

# command,mean,stddev,median,user,system,min,max
rec=$(awk -F, '$1 == "conciliar-xml" { print $2 }' "$work/times.csv")
gz=$(awk -F, '$1 == "gzip" { print $2 }' "$work/times.csv")
awk -v r="$rec" -v g="$gz" -v n="$notes" -v b="$bytes" 'BEGIN {
  printf "\nconciliar-xml: %.3f s   gzip -1: %.3f s   conciliar-xml/gzip = %.2f   (%.0f notes/s, %.0f MB/s)\n",
         r, g, r / g, n / r, b / 1e6 / r
}'

# The same result every run, whatever the threads did.
"$cli" conciliar-xml --xml "$xml" --efd "$efd" > "$work/a.json"
"$cli" conciliar-xml --xml "$xml" --efd "$efd" > "$work/b.json"
if cmp -s "$work/a.json" "$work/b.json"; then
  echo "two runs: the same envelope, byte for byte ($(stat -c %s "$work/a.json") bytes)"
else
  echo "two runs: the envelopes differ" >&2
  exit 1
fi

# The reader on one thread and on two; the summaries' memory at half and at
# all of the files (the growth per note should not depend on the count).
echo "--- the reader on one thread"
"$run" --threads 1 "$xml"
echo "--- the reader on two threads, then the books and the matching"
"$run" --threads 2 --efd "$efd" "$xml"
mkdir -p "$work/half"
# (awk reads to the end: head would leave sort writing to a closed pipe,
# which pipefail takes for a failure.)
find "$xml" -name '*.xml' | sort | awk -v n=$((notes / 2)) 'NR <= n' | xargs mv -t "$work/half/"
echo "--- the reader over half of the files"
"$run" --threads 2 "$work/half"
mv "$work/half"/*.xml "$xml"/ 2>/dev/null || find "$work/half" -name '*.xml' -exec mv -t "$xml" {} +

/usr/bin/time -v "$cli" conciliar-xml --xml "$xml" --efd "$efd" > /dev/null 2> "$work/time.txt"
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
awk -v k="$peak_kb" -v n="$notes" 'BEGIN {
  printf "peak memory of conciliar-xml: %.1f MB for %d notes (%.0f bytes a note, all included)\n",
         k / 1024, n, k * 1024 / n
}'
