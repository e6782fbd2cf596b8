#!/usr/bin/env bash
# Hex load-and-save speed: runs build/bin/hex_bench (Velmar's loader and writer)
# and `srec_cat IN -Intel -o OUT -Intel` on the same dense and sparse files,
# and prints MB/s of input for both and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --target hex_bench >/dev/null
export VELMAR_BENCH_DIR=${VELMAR_BENCH_DIR:-/tmp/velmar-bench}
rm -rf "$VELMAR_BENCH_DIR"
json=$(build/bin/hex_bench --benchmark_filter='LoadSave' --benchmark_format=json --benchmark_min_time=1 2>/dev/null)

ours_mbs() {  # benchmark name -> MB/s
  python3 -c 'import json,sys; d=json.load(sys.stdin); print("%.1f" % [b["bytes_per_second"]/1e6 for b in d["benchmarks"] if b["name"]==sys.argv[1]][0])' "$1" <<<"$json"
}

srec_mbs() {  # file -> MB/s over repeated runs
  local file=$1 runs=5 size start end
  size=$(stat -c %s "$file")
  start=$(date +%s%N)
  for _ in $(seq $runs); do srec_cat "$file" -Intel -o "$VELMAR_BENCH_DIR/srec-out.hex" -Intel; done
  end=$(date +%s%N)
  python3 -c "print('%.1f' % ($size*$runs/(($end-$start)/1e9)/1e6))"
}

printf '%-8s %14s %14s %8s\n' file "velmar MB/s" "srec_cat MB/s" ratio
for kind in Dense Sparse; do
  file="$VELMAR_BENCH_DIR/$(echo $kind | tr A-Z a-z).hex"
  ours=$(ours_mbs "BM_LoadSave$kind")
  theirs=$(srec_mbs "$file")
  ratio=$(python3 -c "print('%.1f' % ($ours/$theirs))")
  printf '%-8s %14s %14s %8s\n' "$kind" "$ours" "$theirs" "${ratio}x"
done
