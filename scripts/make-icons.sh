#!/usr/bin/env bash
# Renders the application icon (packaging/icons/velmar.svg) to the PNG sizes
# the hicolor theme installs. Run it after changing the SVG; the PNGs are
# kept in the repository so that a build needs no SVG renderer.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" velmar.svg -o "velmar-$size.png"
done
