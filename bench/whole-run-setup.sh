# Sourced by the benches of whole runs (run-dialog.sh, run-auto.sh): builds what they need, starts
# the Wine session, maps the data folder as drive P: (the installation sits as shallow as a real
# one, see run.sh), makes the payload and puts it into a copy of the upgrader.
# Expects: root, build; defines: data, package, install, upgrader_copy, fresh_installation, median.
source "$root/bench/bench-session.sh"
bench_session bench_payload bench_baseline bench_dialog QuorindoUpgrade quorindo_sample

data=$build/bench-data
drive="$WINEPREFIX/dosdevices/p:"
rm -rf "$data" && mkdir -p "$data/temp" "$data/Program Files" "$data/Downloads"
cleanup() {
  rm -f "$drive"
  "$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"
}
trap cleanup EXIT
rm -f "$drive" && ln -s "$data" "$drive"
"$WINE" "$build/bench/bench_payload.exe" 'P:\'
upgrader="Z:$(echo "$build/src/app/QuorindoUpgrade.exe" | tr / '\\')"
upgrader_copy='P:\Downloads\QuorindoUpgrade.exe'
"$WINE" "$build/bench/bench_dialog.exe" inject "$upgrader" 'P:\payload.dat' "$upgrader_copy"

# The previous version of the payload's files, with the sample product's main program and
# components, so that the run finds an older installation to upgrade. cp -a keeps the times.
sample=$build/sample/0.0.6.5
fresh_installation() {
  local target="$data/Program Files/Quorindo"
  rm -rf "$target"
  cp -a "$data/installed" "$target"
  cp -a "$sample"/Quorindo.exe "$sample"/*.dll "$target/"
  cp -a "$sample"/AX/*.ax "$target/ax/"
}

package='P:\payload.dat'
install='P:\Program Files\Quorindo\'
export TMP='P:\temp' TEMP='P:\temp'

# The median of one key=value field over the rounds.
median() {
  grep -o "$2=[0-9.]*" "$1" | cut -d= -f2 | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'
}

# One more run of the given kind (bench_dialog's "run" or "auto"), traced (QU_TRACE), not counted.
traced_run() {
  fresh_installation
  rm -f "$data/trace.txt"
  QU_TRACE='P:\trace.txt' "$WINE" "$build/bench/bench_dialog.exe" "$1" "$upgrader_copy" "$install" >/dev/null
}
print_phases() {
  echo "phases of one traced run:"
  bash "$root/bench/trace-phases.sh" "$data/trace.txt"
}
