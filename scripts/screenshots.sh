#!/usr/bin/env bash
# Pictures of the desktop application for docs/screenshots/: stages a
# simulated programmer of every kind with example slots, then runs the
# windows under a virtual X display (Xvfb) and saves PNG files of the main
# window of each kind (and the 8-way one at 200 % scale), its menus, the
# progress window during a write, and the erase options, programmer type
# and message dialogs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for kind in $(build/bin/velmar-cli sim kinds --names); do
  scripts/make-demo-programmer.sh "$kind" "$work/sim-$kind.state" "$work" >/dev/null
done
out=docs/screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/Screenshots "$out" "$work" build/bin
# 200 %: a 2048 x 1536 screen is 1024 x 768 to the window.
QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2048x1536x24" build/tools/Screenshots "$out" "$work" build/bin --scaled
