#!/usr/bin/env bash
# Rebuilds the HEX file of every example: gpasm (gputils) assembles the
# 8-bit programs, make_16bit.py lays out the 16-bit ones. gpasm's listing and
# debug files are written to a scratch folder and thrown away.
set -euo pipefail
cd "$(dirname "$0")"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for asm in */*.asm; do
  dir=$(dirname "$asm")
  name=$(basename "$asm" .asm)
  gpasm -q -a inhx32 -o "$scratch/$name.hex" "$asm"
  cp "$scratch/$name.hex" "$dir/$name.hex"
  echo "assembled $dir/$name.hex"
done

python3 make_16bit.py .
echo "generated pic24fj64ga002, pic24f16ka102 and dspic30f4011"
