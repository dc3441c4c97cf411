# Sourced by every bench: builds the bench's targets quietly (configuring the build folder the
# first time) and starts the build folder's Wine session.
# The preset is the build this machine runs (scripts/machine-build.sh, sourced by the bench).
# Expects: root, build; usage: bench_session <target>...
bench_session() {
  [ -f "$build/build.ninja" ] || cmake --preset "$QU_PRESET" -B "$build" >/dev/null
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
