#!/usr/bin/env bash
# A velmar-cli copied on its own, far from any program folder, says on
# stderr which folders it searched and which option names the folder, and
# still answers with the simulator (on the defaults).
set -euo pipefail
if [ -f "$2/DEVICES.INI" ]; then
  echo "skipped: an installed program folder in $2 would be found"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin"
cp "$1" "$scratch/bin/velmar-cli"
status=0
"$scratch/bin/velmar-cli" --working-folder "$scratch/work" --simulate single identify >"$scratch/out" 2>"$scratch/err" ||
  status=$?
fail() { echo "FAIL: $*" >&2; echo "stdout:"; cat "$scratch/out"; echo "stderr:"; cat "$scratch/err"; exit 1; }
[ "$status" = 0 ] || fail "exit status $status"
grep -q "Cannot find settings files in" "$scratch/err" || fail "no message on stderr"
grep -q "^  $scratch/bin/\$" "$scratch/err" || fail "the executable's folder is not named"
grep -q "^  $scratch/share/velmar/\$" "$scratch/err" || fail "../share/velmar is not named"
grep -q -- "--program-folder" "$scratch/err" || fail "the option is not named"
! grep -q "Cannot find settings" "$scratch/out" || fail "the message went to stdout"
grep -q "kind:" "$scratch/out" || fail "no identification"
echo ok
