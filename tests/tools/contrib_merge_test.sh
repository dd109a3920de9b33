#!/bin/sh
# EFD-Contribuições files as gen-contrib writes them from the command line (a
# company of three establishments and a second company), and the file the
# merge writes from them, validate without an error, told apart from EFD
# ICMS/IPI by their 0000 line.
# Usage: contrib_merge_test.sh FISCORA_CLI GEN_CONTRIB
set -u
cli=$1
gen=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

"$gen" "$dir/matriz.txt" 3000 1 --establishments=3 --c500 >/dev/null || exit 1
"$gen" "$dir/outra.txt" 3000 2 --cnpj=11444777000161 >/dev/null || exit 1
mkdir "$dir/saida"
if ! "$cli" sped-mesclar --saida "$dir/saida" "$dir/matriz.txt" "$dir/outra.txt" >/dev/null; then
  echo "FAIL: sped-mesclar"
  fail=1
fi
for f in "$dir/matriz.txt" "$dir/outra.txt" "$dir/saida/SPED_mesclado.txt"; do
  "$cli" validar "$f" >"$dir/out.json"
  code=$?
  if [ "$code" -ne 0 ]; then
    echo "FAIL: validar $(basename "$f") exited $code"
    fail=1
  fi
  if ! grep -q '"validation_kind":"EFD-Contribuições"' "$dir/out.json"; then
    echo "FAIL: $(basename "$f") not read as EFD-Contribuições"
    fail=1
  fi
  if ! grep -q '"validation_errors":0' "$dir/out.json"; then
    echo "FAIL: $(basename "$f") has errors:"
    grep -o '"findings":\[[^]]*' "$dir/out.json" | head -c 2000
    fail=1
  fi
done
exit $fail
