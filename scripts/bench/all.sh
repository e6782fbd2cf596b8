#!/usr/bin/env bash
# How `velmar-cli --all` scales with the number of programmers: `new` (one
# PIC16F628A program) and `load` (a unit image holding it) on 1, 2 and 4
# emulated 8-way programmers through the real libftdi, against the same
# operation on one programmer without --all. Each programmer's run is a
# process of its own on its own virtual clock, so the time of --all is the
# longest total among the runs' reports (seconds of virtual time).
#
#   scripts/bench.sh all
#
# Prints the Markdown table of docs/PERFORMANCE.md's section on --all.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build=$(realpath -m "${VELMAR_BUILD_DIR:-build}")
VELMAR_BUILD_DIR=$build scripts/build.sh --target velmar-cli velmar_data velmar_usbemu >/dev/null
cli=$build/bin/velmar-cli
hex=$root/examples/pic16f628a/blink.hex
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELMAR_BUILD_DIR=$build

fresh() {  # state file
  "$cli" --working-folder "$work" sim create "$1" --kind 8way --force >/dev/null
}
new_args=(new --family 1 --device PIC16F628A --hex "$hex" --description Bench)

# The unit image `load` writes: one programmer's content after a `new`.
fresh "$work/unit.state"
"$cli" --working-folder "$work" --sim-state "$work/unit.state" --yes "${new_args[@]}" >/dev/null 2>&1
"$cli" --working-folder "$work" --sim-state "$work/unit.state" --yes copy "$work/unit.prg" >/dev/null 2>&1

# Seconds of the longest run: COUNT, then --all or nothing, then the command.
longest_run() {
  local count=$1 all=$2
  shift 2
  local states="" i
  for i in $(seq 1 "$count"); do
    fresh "$work/p$i.state"
    states=${states:+$states,}$work/p$i.state
  done
  rm -f "$work/report"
  (cd "$work" && "$root/scripts/with-emulated-usb.sh" --report "$work/report" "$states" -- \
     "$cli" --working-folder "$work" --driver libftdi $all --yes "$@" >/dev/null 2>&1) ||
    { echo "$* failed on $count programmers" >&2; exit 1; }
  # With --all the last report is the parent's, which only waits for the
  # runs (its waits cost no virtual time to the programmers): left out.
  local lines
  lines=$(wc -l <"$work/report")
  [ -n "$all" ] && lines=$((lines - 1))
  head -n "$lines" "$work/report" |
    awk '{ for (i = 1; i < NF; i += 2) if ($i == "total_us" && $(i + 1) > m) m = $(i + 1) }
         END { printf "%.2f", m / 1e6 }'
}

echo "| Operation | one programmer | \`--all\`, 1 | \`--all\`, 2 | \`--all\`, 4 | 4 against one |"
echo "|---|---|---|---|---|---|"
for op in new load; do
  if [ "$op" = new ]; then args=("${new_args[@]}"); else args=(load "$work/unit.prg"); fi
  one=$(longest_run 1 "" "${args[@]}")
  a1=$(longest_run 1 --all "${args[@]}")
  a2=$(longest_run 2 --all "${args[@]}")
  a4=$(longest_run 4 --all "${args[@]}")
  printf '| %s | %s | %s | %s | %s | %s × |\n' "$op" "$one" "$a1" "$a2" "$a4" \
    "$(awk -v a="$a4" -v b="$one" 'BEGIN { printf "%.2f", a / b }')"
done
