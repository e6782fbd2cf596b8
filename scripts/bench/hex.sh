#!/usr/bin/env bash
# Hex conversion as whole processes, side by side: `velmar-cli hex convert IN
# OUT` against `objcopy -I ihex -O ihex IN OUT` and `srec_cat IN -Intel -o OUT
# -Intel` on the same Intel HEX files, run alternately (one round = each tool
# once per file), with wall time, CPU time (wait4) and peak memory
# (/usr/bin/time) per run, each run writing a new file. Velmar syncs the
# converted file to disk before renaming it into place, the peers do not:
# compare CPU time as well as wall time. Prints the medians and the ratios
# to objcopy of the same run; the 1 MiB file is also converted with
# `--size 16777216`, compared with Velmar's own conversion without it.
# Usage: scripts/bench.sh hex [--check] [ROUNDS]   (default 7; was scripts/bench-hex.sh)
# --check: exits 1, naming each figure, when a goal of docs/PERFORMANCE.md
# is missed (CPU time: 16 MiB at most 0.5 x objcopy and 48 MB at peak, 1 MiB
# at most 0.8 x, sparse 1 MiB at most 1.0 x, --size 16777216 on 1 MiB at
# most 1.1 x the conversion without it).
set -euo pipefail
cd "$(dirname "$0")/../.."
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
rounds=${1:-7}
[ -n "${VELMAR_BENCH_NO_BUILD:-}" ] || scripts/build.sh --target velmar-cli >/dev/null
dir=${VELMAR_BENCH_DIR:-/tmp/velmar-bench-hex}
mkdir -p "$dir"
cli=$PWD/build/bin/velmar-cli

python3 - "$dir" "$cli" "$rounds" "$check" <<'EOF'
import os, random, statistics, subprocess, sys, time

folder, cli, rounds, check = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4] == "1"

def make(name, size, sparse=False):
    """Intel HEX of `size` bytes of seeded random data, written by objcopy."""
    path = os.path.join(folder, name + ".hex")
    if os.path.exists(path):
        return path
    rng = random.Random(size * 2 + sparse)
    data = bytearray(b"\xff" * size)
    if sparse:  # one 16-byte line in every KiB
        for a in range(0, size, 1024):
            data[a:a + 16] = bytes(rng.randrange(255) for _ in range(16))
    else:
        data[:] = bytes(rng.randrange(255) for _ in range(size)) if size <= 1 << 20 else \
            rng.randbytes(size).replace(b"\xff", b"\xfe")
    binary = path[:-4] + ".bin"
    with open(binary, "wb") as f:
        f.write(data)
    subprocess.run(["objcopy", "-I", "binary", "-O", "ihex", binary, path], check=True)
    if sparse:  # objcopy writes the 0xFF runs too; keep only the data lines
        lines = open(path).read().splitlines()
        kept = [l for l in lines if not (l[7:9] == "00" and set(l[9:-2]) == {"F"})]
        open(path, "w").write("\n".join(kept) + "\n")
    os.remove(binary)
    return path

files = [("16 MiB", make("dense-16m", 16 << 20)),
         ("1 MiB", make("dense-1m", 1 << 20)),
         ("64 KiB", make("dense-64k", 64 << 10)),
         ("sparse 1 MiB", make("sparse-1m", 1 << 20, sparse=True))]

SIZED = "--size 16M"  # Velmar with --size 16777216, on the 1 MiB file only

def tools(label, src):
    out = os.path.join(folder, "out.hex")
    t = {
        "velmar": [cli, "hex", "convert", src, out],
        "objcopy": ["objcopy", "-I", "ihex", "-O", "ihex", src, out],
        "srec_cat": ["srec_cat", src, "-Intel", "-o", out, "-Intel"],
    }
    if label == "1 MiB":
        t[SIZED] = [cli, "hex", "convert", "--size", "16777216", src, out]
    return t

def run(argv):
    # Every run writes a new file: removing the last run's output (up to
    # 47 MB, maybe not yet on disk) would otherwise be charged to the next.
    out = os.path.join(folder, "out.hex")
    if os.path.exists(out):
        os.remove(out)
    # Peak memory through /usr/bin/time: a child forked from this (large)
    # Python process would report Python's own peak.
    peak = os.path.join(folder, "peak.txt")
    start = time.perf_counter()
    p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak] + argv,
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit("failed: " + " ".join(argv))
    return wall, usage.ru_utime + usage.ru_stime, int(open(peak).read().split()[-1]) / 1024.0

results = {}
for r in range(rounds):
    for label, src in files:
        argvs = tools(label, src)
        names = list(argvs)
        if r % 2:
            names.reverse()  # alternate the order as well
        for name in names:
            results.setdefault((label, name), []).append(run(argvs[name]))

load = os.getloadavg()
print(f"{rounds} alternated rounds; load average {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}; {os.cpu_count()} cores")
print(f"{'file':<13} {'tool':<9} {'wall ms':>8} {'cpu ms':>8} {'peak MB':>8}   {'wall/objcopy':>12} {'cpu/objcopy':>11} {'mem/objcopy':>11}")
med = {}
for label, src in files:
    names = list(tools(label, src))
    for name in names:
        runs = results[(label, name)]
        med[(label, name)] = tuple(statistics.median(x[i] for x in runs) for i in range(3))
    ow, oc, om = med[(label, "objcopy")]
    for name in names:
        w, c, m = med[(label, name)]
        print(f"{label:<13} {name:<9} {w*1000:8.1f} {c*1000:8.1f} {m:8.1f}   {w/ow:11.2f}x {c/oc:10.2f}x {m/om:10.2f}x")

def cpu(label, name):
    return med[(label, name)][1]

# The goals: (figure, value, limit).
goals = [
    ("16 MiB CPU / objcopy", cpu("16 MiB", "velmar") / cpu("16 MiB", "objcopy"), 0.5),
    ("16 MiB peak MB", med[("16 MiB", "velmar")][2], 48.0),
    ("1 MiB CPU / objcopy", cpu("1 MiB", "velmar") / cpu("1 MiB", "objcopy"), 0.8),
    ("sparse 1 MiB CPU / objcopy", cpu("sparse 1 MiB", "velmar") / cpu("sparse 1 MiB", "objcopy"), 1.0),
    ("1 MiB --size 16777216 CPU / without", cpu("1 MiB", SIZED) / cpu("1 MiB", "velmar"), 1.1),
]
missed = [g for g in goals if g[1] > g[2]]
for figure, value, limit in goals:
    print(f"goal {figure:<36} {value:7.2f} (at most {limit:g}) {'MISSED' if value > limit else 'met'}")
print(f"files: {folder} ({', '.join('%s %.1f MB' % (l, os.path.getsize(s) / 1e6) for l, s in files)})")
if check and missed:
    sys.exit("goal missed: " + "; ".join(f"{f} {v:.2f} > {l:g}" for f, v, l in missed))
EOF
