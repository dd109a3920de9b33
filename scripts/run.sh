#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it; a SINTEGRA file
# given as argument is opened and verified at once.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DFISCORA_TESTS=OFF -DFISCORA_BENCH=OFF
cmake --build build -j "$(nproc)" --target fiscora fiscora-cli
exec build/app/fiscora "$@"
