#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and
# is missing. apt-get update runs only when something has to be installed.
# Extra packages may be named as arguments (scripts/deps.sh clang ...).
set -euo pipefail
PKGS="g++ cmake ninja-build pkgconf qt6-base-dev qt6-base-dev-tools libgl-dev libxlsxwriter-dev libgtest-dev libbenchmark-dev nlohmann-json3-dev libpugixml-dev libarchive-dev python3-openpyxl fonts-liberation2 poppler-utils parallel qt6-translations-l10n $*"
missing=""
# hyperfine: the benchmark scripts time with it.
for p in $PKGS hyperfine; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends $missing
fi
