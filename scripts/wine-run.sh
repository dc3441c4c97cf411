#!/usr/bin/env bash
# Runs one Windows program under Wine, in the prefix of the build tree.
# Usage: QU_WINE_DIR=<build>/wine wine-run.sh program.exe [arguments...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
qu_ensure_prefix
exec "$WINE" "$@"
