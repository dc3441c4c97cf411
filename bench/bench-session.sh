# Sourced by every bench: builds the bench's targets quietly (configuring the build folder the
# first time) and starts the build folder's Wine session.
# The preset is the build this machine runs (scripts/machine-build.sh, sourced by the bench).
# Expects: root, build; usage: bench_session <target>...
bench_session() {
  # The benches read the trace, which only a build made for them writes.
  if [ ! -f "$build/build.ninja" ] || ! grep -q '^QU_TRACE:BOOL=ON' "$build/CMakeCache.txt"; then
    cmake --preset "$QU_PRESET" -B "$build" -DQU_TRACE=ON >/dev/null
  fi
  local log
  log=$(mktemp)
  if ! cmake --build "$build" -j2 --target "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
  export QU_WINE_DIR=$build/wine
  "$root/scripts/wine-session.sh" start "$QU_WINE_DIR"
  # shellcheck source=../scripts/wine-env.sh
  source "$root/scripts/wine-env.sh"
}
