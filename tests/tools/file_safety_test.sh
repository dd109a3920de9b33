#!/bin/sh
# fiscora-cli and the user's files, where the test needs a process of its
# own: the private working folder (mode 0700) removed when the run is
# interrupted (SIGINT, SIGTERM, SIGHUP), and a read-only file refused also
# when the tests run as root (the run then goes as an unprivileged user).
# Usage: file_safety_test.sh FISCORA_CLI SINTEGRA_FILE
set -u
cli=$1
example=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
fail=0

# A file long enough for a run to be caught in the middle: the record 50
# lines of the example repeated.
{
  grep -aE '^(10|11)' "$example"
  grep -aE '^50' "$example" | awk '{ a[NR] = $0 } END { for (i = 0; i < 4000; i++) for (j = 1; j <= NR; j++) print a[j] }'
  grep -aE '^(74|75|90)' "$example"
} > "$dir/grande.txt"

for sig in INT TERM HUP; do
  mkdir "$dir/tmp-$sig"
  TMPDIR="$dir/tmp-$sig" "$cli" verificar "$dir/grande.txt" >/dev/null 2>&1 &
  pid=$!
  # Wait for the private folder, then check its mode and interrupt the run.
  n=0
  while [ -z "$(ls "$dir/tmp-$sig")" ] && [ $n -lt 200 ]; do sleep 0.01; n=$((n + 1)); done
  folder=$(ls -d "$dir/tmp-$sig"/fiscora-cli-* 2>/dev/null)
  if [ -z "$folder" ]; then
    echo "SKIP $sig: the run ended before it could be interrupted"
    wait $pid
    continue
  fi
  # Its mode once the run writes in it (the mode is set before any file).
  n=0
  while [ -z "$(ls "$folder" 2>/dev/null)" ] && [ -d "$folder" ] && [ $n -lt 200 ]; do sleep 0.01; n=$((n + 1)); done
  mode=$(stat -c %a "$folder" 2>/dev/null)
  if [ -n "$mode" ] && [ "$mode" != 700 ]; then echo "FAIL $sig: private folder mode $mode"; fail=1; fi
  kill -$sig $pid 2>/dev/null
  wait $pid
  if [ -n "$(ls "$dir/tmp-$sig")" ]; then
    echo "FAIL $sig: the private folder was left: $(ls "$dir/tmp-$sig")"; fail=1
  fi
done

# A read-only file (0444) in a folder anyone may write: refused, unchanged.
if [ "$(id -u)" -eq 0 ]; then
  if command -v setpriv >/dev/null 2>&1; then
    as_user="setpriv --reuid=65534 --regid=65534 --clear-groups"
  else
    as_user=""
  fi
else
  as_user="env"
fi
if [ -n "$as_user" ]; then
  mkdir "$dir/aberta"
  chmod 777 "$dir/aberta"
  cp "$example" "$dir/aberta/loja.txt"
  chmod 444 "$dir/aberta/loja.txt"
  $as_user env TMPDIR="$dir/aberta" "$cli" tipo-arquivo "$dir/aberta/loja.txt" 2 >"$dir/out" 2>"$dir/err"
  code=$?
  if [ $code -ne 1 ]; then echo "FAIL read-only: exit code $code"; fail=1; fi
  if ! grep -q "Não foi possível gravar o arquivo $dir/aberta/loja.txt: permissão negada" "$dir/err"; then
    echo "FAIL read-only: stderr:"; cat "$dir/err"; fail=1
  fi
  if ! cmp -s "$example" "$dir/aberta/loja.txt"; then echo "FAIL read-only: the file changed"; fail=1; fi
  if [ "$(stat -c %a "$dir/aberta/loja.txt")" != 444 ]; then echo "FAIL read-only: mode changed"; fail=1; fi
  if [ -n "$(find "$dir/aberta" -name '*.tmp' -o -name 'fiscora-cli-*')" ]; then
    echo "FAIL read-only: files left behind"; fail=1
  fi
else
  echo "SKIP read-only: running as root without setpriv"
fi

[ $fail -eq 0 ] && echo "file safety: every case held"
exit $fail
