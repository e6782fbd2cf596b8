#!/usr/bin/env bash
# Prints the state file `velmar-cli --simulate KIND` uses: sim-NAME.state in
# the working folder, NAME the kind's name (0-5 are taken as well). run.sh
# fills that file with example programs, so the README's `--simulate KIND`
# commands see the same programmer afterwards.
# Usage: scripts/demo-state.sh KIND [velmar-cli]
set -euo pipefail
kind=${1:?kind}
cli=${2:-$(dirname "$0")/../build/bin/velmar-cli}
case "$kind" in
  0) kind=single ;; 1) kind=single-old ;; 2) kind=8way ;;
  3) kind=portable ;; 4) kind=8way-v2 ;; 5) kind=single-v2 ;;
esac
settings=$("$cli" --json settings)
work=$(printf '%s\n' "$settings" | sed -n 's/^{"file":"\(.*\)\/setting\.ini".*/\1/p')
[ -n "$work" ] || { echo "Cannot tell the working folder from: $settings" >&2; exit 1; }
echo "$work/sim-$kind.state"
