# Shared by scripts/fuzz.sh and scripts/fuzz-smoke.sh: the fuzz targets,
# their dictionaries, the toolchain check, the build and the summary line.
# Sourced, not run.

FUZZ_TARGETS=(hex_loader_fuzz firmware_file_fuzz ini_file_fuzz device_database_fuzz settings_fuzz sim_state_fuzz
              unit_image_fuzz slot_directory_fuzz slot_details_fuzz version_info_fuzz)

fuzz_known() {
  local t
  for t in "${FUZZ_TARGETS[@]}"; do [[ $t == "$1" ]] && return 0; done
  return 1
}

# The -dict= option for a target, or nothing.
fuzz_dict_option() {
  local dict=
  case $1 in
    hex_loader_fuzz | unit_image_fuzz | firmware_file_fuzz) dict=hex ;;
    ini_file_fuzz | device_database_fuzz | settings_fuzz) dict=ini ;;
    sim_state_fuzz) dict=sim_state ;;
    version_info_fuzz) dict=version_info ;;
  esac
  [[ -n $dict ]] && echo "-dict=tests/fuzz/dict/$dict.dict"
  return 0
}

# Why the fuzz targets cannot be built here ("" when they can).
fuzz_missing_toolchain() {
  if ! command -v clang++ >/dev/null; then
    echo "clang++ is not installed"
    return
  fi
  local probe
  probe=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' >"$probe/p.cpp"
  if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/p.cpp" -o "$probe/p" >/dev/null 2>&1; then
    echo "clang++ cannot link with libFuzzer and the sanitizers (install libclang-rt-dev or clang's runtime)"
  fi
  rm -rf "$probe"
}

fuzz_require_toolchain() {
  local why
  why=$(fuzz_missing_toolchain)
  [[ -z $why ]] && return 0
  echo "fuzz: $why" >&2
  return 1
}

# Builds the named targets in build-fuzz through scripts/build.sh (which
# takes the machine's build lock).
fuzz_build() {
  local args=() t
  for t in "$@"; do args+=(--target "$t"); done
  VELMAR_BUILD_DIR=build-fuzz \
  VELMAR_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_BUILD_FUZZ=ON -DVELMAR_BUILD_TESTS=OFF -DVELMAR_BUILD_GUI=OFF -DVELMAR_BUILD_BENCH=OFF" \
    scripts/build.sh "${args[@]}"
}

# One line of the summary table from a libFuzzer log.
fuzz_summary() {
  local t=$1 log=$2 result=$3
  local execs rate secs rss covline cov ft
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  covline=$(grep -E '^#[0-9]+.*cov: [0-9]+' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$covline")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$covline")
  secs=$(( ${rate:-0} > 0 ? ${execs:-0} / ${rate:-1} : 0 ))
  printf '%-22s %12s %9s %6s %7s %6s %8s  %s\n' "$t" "${execs:--}" "${rate:--}" "${cov:--}" "${ft:--}" "$secs" \
    "${rss:--}" "$result"
}
