#!/bin/sh
# A full disk, as a file-size limit: fiscora-cli run with `ulimit -f` (the
# signal of an oversized write ignored, so the write fails with an error as
# on a full disk). Each writer must say it could not write the file, exit 1,
# leave the old file byte for byte and no temporary file behind.
# Usage: full_disk_test.sh FISCORA_CLI SINTEGRA_FILE
set -u
cli=$1
example=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail=0

check() {  # name, exit code, stderr file, expected text
  if [ "$2" -ne 1 ]; then echo "FAIL $1: exit code $2, expected 1"; fail=1; fi
  if ! grep -q "$4" "$3"; then echo "FAIL $1: stderr lacks '$4':"; cat "$3"; fail=1; fi
  # Our message only: no library's own error lines, no hidden file's name.
  if grep -q '\[ERROR\]\|\.tmp' "$3"; then echo "FAIL $1: stderr says more:"; cat "$3"; fail=1; fi
  leftovers=$(find "$dir" -name '*.tmp')
  if [ -n "$leftovers" ]; then echo "FAIL $1: temporary files left: $leftovers"; fail=1; fi
}

# The input (35 kB) is far above the limit (16 blocks: 8 or 16 kB).
cp "$example" "$dir/loja.txt"
cp "$dir/loja.txt" "$dir/original.txt"
printf 'copia antiga\r\n' > "$dir/Modif_loja.txt"

# registro90: the copy "Modif_" beside the file; the old copy stays.
(trap '' XFSZ; ulimit -f 16; exec "$cli" registro90 "$dir/loja.txt") >"$dir/out" 2>"$dir/err"
check registro90 $? "$dir/err" "Não foi possível gravar o arquivo $dir/Modif_loja.txt: o arquivo excede o tamanho permitido"
if [ "$(cat "$dir/Modif_loja.txt")" != "$(printf 'copia antiga\r\n')" ]; then
  echo "FAIL registro90: the old copy was changed"; fail=1
fi

# tipo-arquivo: the file itself rewritten; it stays as it was.
(trap '' XFSZ; ulimit -f 16; exec "$cli" tipo-arquivo "$dir/loja.txt" 2) >"$dir/out" 2>"$dir/err"
check tipo-arquivo $? "$dir/err" "Não foi possível gravar o arquivo $dir/loja.txt: o arquivo excede o tamanho permitido"
if ! cmp -s "$dir/loja.txt" "$dir/original.txt"; then
  echo "FAIL tipo-arquivo: the file was changed"; fail=1
fi

# inventario --planilha: a file of records 10, 74 and 75 only (no working
# file grows), its listing (6 kB) above a limit of 4 blocks (2 or 4 kB).
grep -aE '^(10|74|75)' "$example" > "$dir/estoque.txt"
printf 'planilha antiga' > "$dir/estoque.xlsx"
(trap '' XFSZ; ulimit -f 4; exec "$cli" inventario "$dir/estoque.txt" --planilha "$dir/estoque.xlsx") >"$dir/out" 2>"$dir/err"
check planilha $? "$dir/err" "Não foi possível gravar o arquivo $dir/estoque.xlsx: o arquivo excede o tamanho permitido"
if [ "$(cat "$dir/estoque.xlsx")" != "planilha antiga" ]; then
  echo "FAIL planilha: the old spreadsheet was changed"; fail=1
fi

# inventario --pdf: the report is made in memory and written through the
# atomic writer; a build without Qt has no PDF (exit 2) and skips it.
printf 'PDF antigo' > "$dir/estoque.pdf"
"$cli" inventario "$dir/estoque.txt" --pdf "$dir/novo.pdf" >/dev/null 2>&1
if [ $? -ne 2 ]; then
  (trap '' XFSZ; ulimit -f 4; exec "$cli" inventario "$dir/estoque.txt" --pdf "$dir/estoque.pdf") >"$dir/out" 2>"$dir/err"
  check pdf $? "$dir/err" "Não foi possível gravar o arquivo $dir/estoque.pdf: o arquivo excede o tamanho permitido (disco cheio"
  if [ "$(cat "$dir/estoque.pdf")" != "PDF antigo" ]; then
    echo "FAIL pdf: the old PDF was changed"; fail=1
  fi
  # A truly full disk where a small file system can be mounted (root).
  mkdir "$dir/cheio"
  if mount -t tmpfs -o size=16k tmpfs "$dir/cheio" 2>/dev/null; then
    printf 'PDF antigo' > "$dir/cheio/estoque.pdf"
    "$cli" inventario "$dir/estoque.txt" --pdf "$dir/cheio/estoque.pdf" >"$dir/out" 2>"$dir/err"
    code=$?
    check pdf-tmpfs $code "$dir/err" "Não foi possível gravar o arquivo $dir/cheio/estoque.pdf: disco cheio"
    if [ "$(cat "$dir/cheio/estoque.pdf")" != "PDF antigo" ]; then
      echo "FAIL pdf-tmpfs: the old PDF was changed"; fail=1
    fi
    umount "$dir/cheio"
  fi
fi

# Without the limit the writers work (the test's own sanity).
"$cli" registro90 "$dir/loja.txt" >"$dir/out" 2>"$dir/err" || { echo "FAIL: registro90 without a limit"; cat "$dir/err"; fail=1; }

[ $fail -eq 0 ] && echo "full disk: every writer refused cleanly"
exit $fail
