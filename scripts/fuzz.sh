#!/usr/bin/env bash
# Builds the libFuzzer target with clang in ./build-fuzz and runs it for a
# bounded time (default 300 s) on a copy of the seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
VELMAR_BUILD_DIR=build-fuzz \
VELMAR_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_BUILD_FUZZ=ON -DVELMAR_BUILD_TESTS=OFF -DVELMAR_BUILD_GUI=OFF -DVELMAR_BUILD_BENCH=OFF" \
  scripts/build.sh --target hex_loader_fuzz
corpus=build-fuzz/corpus
mkdir -p "$corpus"
cp -n tests/fuzz/corpus/* "$corpus"/ 2>/dev/null || true
build-fuzz/bin/hex_loader_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$corpus"
