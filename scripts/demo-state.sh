#!/usr/bin/env bash
# Prints the state file `velmar-cli --simulate KIND` uses: sim-NAME.state in
# the working folder, NAME the kind's name (0-5 are taken as well). run.sh
# fills that file with example programs, so the README's `--simulate KIND`
# commands see the same programmer afterwards.
# Usage: scripts/demo-state.sh KIND [velmar-cli]
set -euo pipefail
kind=${1:?kind}
cli=${2:-$(dirname "$0")/../build/bin/velmar-cli}
# A kind number is the kind's line in the list, counted from 0.
if [[ $kind =~ ^[0-9]+$ ]]; then
  kind=$("$cli" sim kinds --names | sed -n "$((kind + 1))p")
  [ -n "$kind" ] || { echo "No programmer kind $1" >&2; exit 1; }
fi
settings=$("$cli" --json settings)
work=$(printf '%s\n' "$settings" | sed -n 's/^{"file":"\(.*\)\/setting\.ini".*/\1/p')
[ -n "$work" ] || { echo "Cannot tell the working folder from: $settings" >&2; exit 1; }
echo "$work/sim-$kind.state"
