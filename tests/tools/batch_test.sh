#!/bin/sh
# The batch as a user runs it: a run killed halfway (SIGKILL, as a machine
# that stops) and run again ends with the same summary as a run never
# stopped, without redoing the inputs it had finished; three shards run with
# GNU parallel and merged give the same summary as one run.
# Usage: batch_test.sh FISCORA_CLI GEN_SINTEGRA EXAMPLE
set -u
cli=$1
gen=$2
example=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

# resumo.jsonl without the seconds each input took, which vary run to run.
summary() { sed 's/"seconds":[0-9.]*,//' "$1/resumo.jsonl"; }
same() {  # name, folder, reference folder
  if ! summary "$2" | cmp -s - "$dir/ref.jsonl"; then
    echo "FAIL $1: the summary differs from one run's:"
    summary "$2" | diff - "$dir/ref.jsonl"
    fail=1
  fi
}

mkdir -p "$dir/in/b"
cp "$example" "$dir/in/loja.txt"
printf 'Relatorio de vendas\n' > "$dir/in/b/relatorio.txt"
for i in 1 2 3 4 5 6 7 8 9 10; do
  "$gen" "$dir/in/sintegra_$i.txt" 40000 "$i" >/dev/null || exit 1
done

"$cli" lote "$dir/in" --saida "$dir/ref" --paralelo 2 >/dev/null
summary "$dir/ref" > "$dir/ref.jsonl"
[ "$(wc -l < "$dir/ref.jsonl")" -eq 12 ] || { echo "FAIL: $(wc -l < "$dir/ref.jsonl") rows, expected 12"; fail=1; }

# Killed once three results are written.
"$cli" lote "$dir/in" --saida "$dir/run" --paralelo 1 >/dev/null 2>&1 &
pid=$!
while [ "$(find "$dir/run" -name '*.json' 2>/dev/null | wc -l)" -lt 3 ]; do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.02
done
kill -9 "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
done_before=$(find "$dir/run" -name '*.json' | wc -l)
echo "killed after $done_before of 12 results" >&2
if [ "$done_before" -ge 12 ] || [ -e "$dir/run/resumo.jsonl" ]; then
  echo "FAIL: the batch ended before it was killed"; fail=1
fi
# The finished results, with their times of change to the nanosecond.
stamps() { for f in $(cat "$dir/finished"); do stat -c '%n %y' "$f"; done; }
find "$dir/run" -name '*.json' > "$dir/finished"
stamps > "$dir/before"
"$cli" lote "$dir/in" --saida "$dir/run" --paralelo 1 > "$dir/rerun.json"
resumed=$(grep -o '"batch_resumed":[0-9]*' "$dir/rerun.json" | cut -d: -f2)
if [ "$resumed" != "$done_before" ]; then
  echo "FAIL: $resumed inputs resumed, $done_before were done"; fail=1
fi
if ! stamps | cmp -s - "$dir/before"; then
  echo "FAIL: finished results were written again:"; stamps | diff - "$dir/before"; fail=1
fi
same "resumed run" "$dir/run"

# Three shards on GNU parallel, merged.
if command -v parallel >/dev/null; then
  parallel -j 2 "$cli" lote "$dir/in" --fatia {}/3 --saida "$dir/shard{}" '>' /dev/null ::: 1 2 3
  "$cli" lote-juntar "$dir/shard1" "$dir/shard2" "$dir/shard3" --saida "$dir/merged" >/dev/null ||
    { echo "FAIL: lote-juntar"; fail=1; }
  same "merged shards" "$dir/merged"
  [ -s "$dir/merged/resumo.xlsx" ] || { echo "FAIL: no merged resumo.xlsx"; fail=1; }
else
  echo "GNU parallel is not installed (scripts/deps.sh installs it)"; fail=1
fi
exit $fail
