#!/usr/bin/env bash
# (Run as scripts/bench.sh startup; was scripts/bench-startup.sh.)
# Desktop start-up on the simulated programmer (virtual waits): time from the
# start of main to the first shown main window, and resident memory then,
# for each programmer kind. Runs on Qt's offscreen platform, 5 runs each,
# and prints the median time.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh --target velmar velmar-cli velmar_data >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%-10s %10s %10s %10s\n' kind shown_ms rss_kB peak_kB
for kind in $(build/bin/velmar-cli sim kinds --names); do
  times=()
  for _ in 1 2 3 4 5; do
    out=$(QT_QPA_PLATFORM=offscreen VELMAR_STARTUP_REPORT=1 build/bin/velmar --simulate "$kind" \
          --working-folder "$work" 2>/dev/null)
    times+=("$(awk '/^shown_ms/ {print $2}' <<<"$out")")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
  rss=$(awk '/^VmRSS/ {print $2}' <<<"$out")
  peak=$(awk '/^VmHWM/ {print $2}' <<<"$out")
  printf '%-10s %10s %10s %10s\n' "$kind" "$median" "$rss" "$peak"
done
