#!/usr/bin/env bash
# Runs every test executable of the Windows build (build-win/bin/*_tests.exe,
# none of which needs Qt) under Wine, then the command line's own checks:
# the simulated portable programmer identifies as kind 3, and a slot built
# from an example is byte-identical to the Linux build's (when build/ has
# velmar-cli). Wine gets a private prefix under the build folder, and its
# server is started first and kept until the end, so that no test waits for
# it to start. Tests that cannot hold on Windows skip, saying why; the
# summary counts them. Arguments go to every test executable (for example
# --gtest_filter=...). Exit status: 0 when nothing failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${VELMAR_WIN_BUILD_DIR:-build-win}
bin=$root/$build_dir/bin
export WINEPREFIX=$root/$build_dir/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko: nothing here needs them, and asking would wait.
export WINEDLLOVERRIDES="mscoree,mshtml="

if ! ls "$bin"/*_tests.exe >/dev/null 2>&1; then
  echo "error: no test executables in $bin; run scripts/build-windows.sh first" >&2
  exit 1
fi

wineserver -p 2>/dev/null || true  # already running for this prefix is as good
if [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
  echo "Creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
fi
trap 'wineserver -k 2>/dev/null || true' EXIT

log_dir=$root/$build_dir/test-logs
mkdir -p "$log_dir"
passed=0 failed=0 skipped=0
failed_suites=()
skip_reasons=$log_dir/skipped.txt
: >"$skip_reasons"

count() {  # gtest summary line tag, log file
  sed -n "s/^\[ *$1 *\] \([0-9]*\) tests\{0,1\}.*/\1/p" "$2" | head -n1
}

for exe in "$bin"/*_tests.exe; do
  name=$(basename "$exe" .exe)
  log=$log_dir/$name.log
  start=$(date +%s)
  # Into a file, not a pipe: Wine's server may inherit and hold a pipe open.
  set +e
  # flock -o: the lock's descriptor is not handed down to Wine, whose
  # services outlive the test and would hold the machine's test lock.
  (cd "$bin" && flock -o /tmp/velmar-test.lock wine "$exe" --gtest_color=no "$@") >"$log.raw" 2>&1
  rc=$?
  set -e
  tr -d '\r' <"$log.raw" >"$log"
  rm -f "$log.raw"
  p=$(count PASSED "$log")
  s=$(count SKIPPED "$log")
  f=$(count FAILED "$log")
  passed=$((passed + ${p:-0}))
  skipped=$((skipped + ${s:-0}))
  failed=$((failed + ${f:-0}))
  # Each skipped test with the reason it gave.
  awk '/: Skipped$/ { getline; reason = $0 } /^\[  SKIPPED \] [A-Za-z_].* ms\)$/ { print $4 ": " reason }' "$log" \
    | sort -u >>"$skip_reasons"
  printf '%-22s passed %4s  skipped %3s  failed %3s  (%d s)\n' "$name" "${p:-0}" "${s:-0}" "${f:-0}" $(($(date +%s) - start))
  if [ $rc -ne 0 ] || [ -z "$p$s$f" ]; then
    failed_suites+=("$name")
    [ -n "$f" ] || failed=$((failed + 1))  # ended before its summary
    grep -E '^\[  FAILED  \]|Failure|error' "$log" | head -n 20 || true
  fi
done

# The command line itself, as a user runs it.
cli=$bin/velmar-cli.exe
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $what"
  else
    failed=$((failed + 1))
    failed_suites+=("$what")
    echo "FAILED: $what"
  fi
}
identify_is_kind_3() {
  local out
  out=$(cd "$bin" && wine "$cli" --simulate portable identify --json 2>&1) || return 1
  grep -q '"kind": *3' <<<"$out"
}
check "velmar-cli --simulate portable identify --json answers kind 3" identify_is_kind_3
# The D2XX backend end to end: the stand-in ftd2xx.dll, found on the PATH,
# emulates the programmer's interface chip with a simulated portable behind.
d2xx_identifies() {
  local dir=$root/$build_dir/d2xx-check out
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$dir" && wine "$cli" sim create state.json --kind portable >/dev/null) || return 1
  out=$(cd "$dir" && VELMAR_USB_EMU_STATE=state.json WINEPATH="Z:$root/$build_dir/usbemu/d2xx" \
    wine "$cli" --driver d2xx identify --json 2>&1) || { echo "$out"; return 1; }
  grep -q '"kind": *3' <<<"$out" || { echo "$out"; return 1; }
}
check "the D2XX backend identifies the emulated programmer through ftd2xx.dll" d2xx_identifies
slot_matches_linux() {
  bash scripts/compare-slot-builds.sh "$build_dir"
}
if [ -x build/bin/velmar-cli ]; then
  check "a slot built on Windows is byte-identical to the Linux build" slot_matches_linux
else
  skipped=$((skipped + 1))
  echo "slot comparison: build/bin/velmar-cli: Linux build missing" >>"$skip_reasons"
fi

# The zip a user downloads: unpacked into a fresh folder, its program runs
# with the program folder's files beside it.
zip_runs() {
  local zip dir=$root/$build_dir/zip-check out
  zip=$(bash scripts/package-windows.sh | tail -n1) || return 1
  rm -rf "$dir"
  mkdir -p "$dir"
  unzip -q "$root/$zip" -d "$dir" || return 1
  out=$(cd "$dir"/velmar-* && wine ./velmar-cli.exe --simulate portable --json list 2>&1) || { echo "$out"; return 1; }
  grep -q '"slot_count"' <<<"$out" || { echo "$out"; return 1; }
  out=$(cd "$dir"/velmar-* && wine ./velmar-cli.exe --version 2>&1) || return 1
  grep -q "$(sed -n 's/^project(Velmar VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" <<<"$out"
}
check "the Windows zip unpacks and its velmar-cli.exe runs" zip_runs

echo
if [ -s "$skip_reasons" ]; then
  echo "Skipped on Windows:"
  sort "$skip_reasons" | sed 's/^/  /'
fi
echo "windows: $passed passed, $failed failed, $skipped skipped"
if [ ${#failed_suites[@]} -gt 0 ]; then
  echo "failed: ${failed_suites[*]} (logs in $log_dir)"
  exit 1
fi
