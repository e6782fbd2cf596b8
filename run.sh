#!/usr/bin/env bash
# First command of the README: installs what is missing, builds, and runs the
# loader against the simulated programmer (its state file lives in the
# per-user working folder).
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
echo
echo "== velmar-cli --simulate portable identify"
"$bin/velmar-cli" --simulate portable identify
echo
echo "== velmar-cli --simulate 8way list"
"$bin/velmar-cli" --simulate 8way list
echo
echo "== velmar-cli --simulate 8way read"
"$bin/velmar-cli" --simulate 8way read
