#!/usr/bin/env bash
# First command of the README: installs what is missing, builds, and runs the
# loader's main job against the simulated programmer.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
bin=build/bin
echo
echo "== velmar-cli --help"
"$bin/velmar-cli" --help
echo
echo "== velmar-cli hex info examples/pic16f628a/blink.hex"
"$bin/velmar-cli" hex info examples/pic16f628a/blink.hex
