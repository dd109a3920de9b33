# Sourced by the bench/*_vs_cp.sh scripts: the tools they need, the build of
# their targets and a private work folder removed at exit.

# bench_needs SCRIPT TOOL...: stops with a message when a tool is missing.
bench_needs() {
  local script=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "$script: $tool is needed" >&2; exit 2; }
  done
}

# bench_build BUILD_DIR TARGET...: configures BUILD_DIR (without the GUI)
# when it does not exist yet, then builds the targets.
bench_build() {
  local build=$1
  shift
  if [ ! -d "$build" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DFISCORA_GUI=OFF >/dev/null
  fi
  cmake --build "$build" --target "$@" >/dev/null
}

# bench_work SCRIPT: sets $work to a new temporary folder, removed at exit.
bench_work() {
  work=$(mktemp -d "${TMPDIR:-/tmp}/fiscora_$1.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}
