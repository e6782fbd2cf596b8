#!/usr/bin/env bash
# First command of the README: installs what is missing, builds, and runs the
# loader on a simulated programmer that holds a few example programs: the
# desktop application when there is a display (with the programmer's real
# waits), else the same job on the command line.
#   ./run.sh                    a portable programmer
#   ./run.sh --simulate 8way    another kind (build/bin/velmar-cli sim kinds
#                               lists them)
set -euo pipefail
cd "$(dirname "$0")"
kind=portable
if [ "${1:-}" = "--simulate" ] && [ -n "${2:-}" ]; then kind=$2; fi

scripts/install-deps.sh
scripts/build.sh

# The programmer `--simulate KIND` uses: sim-KIND.state in the working
# folder, so that the README's `velmar-cli --simulate KIND ...` commands see
# the same programmer afterwards.
state=$(scripts/demo-state.sh "$kind")
if [ ! -f "$state" ]; then
  echo "== Making a simulated $kind programmer with example programs ($state)"
  scripts/make-demo-programmer.sh "$kind" "$state" "$(dirname "$state")"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== Starting velmar on the simulated $kind programmer ($state)"
  exec build/bin/velmar --simulate "$kind" --realtime
fi

echo "== No display: the same job on the command line"
cli="build/bin/velmar-cli --simulate $kind"
echo
echo "== velmar-cli --simulate $kind identify"
$cli identify
echo
echo "== velmar-cli --simulate $kind read"
$cli read
echo
echo "== velmar-cli --simulate $kind details --slot 1"
$cli details --slot 1
