#!/usr/bin/env bash
# What scripts/package.sh builds, the target velmar_package_contents, must
# make every file the install step takes from the build tree, and nothing
# of the tests or the benchmarks. Read from the build's own install scripts
# and the commands Ninja would run for the target.
set -euo pipefail
build=$(cd "$1" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
commands=$(ninja -C "$build" -t commands velmar_package_contents) ||
  fail "ninja knows no target velmar_package_contents"

# Built files the install step copies: the files under the build tree its
# scripts name (other than the scripts themselves).
mapfile -t installed < <(grep -rhoE "\"$build/[^\"\$]+\"" "$build" --include=cmake_install.cmake |
  tr -d '"' | grep -v '/cmake_install\.cmake$' | sort -u)
[ ${#installed[@]} -gt 0 ] || fail "no built file is installed: the install scripts were not read"
for file in "${installed[@]}"; do
  relative=${file#"$build"/}
  grep -qF -- "$relative" <<<"$commands" || fail "velmar_package_contents does not make $relative, which is installed"
done

# Nothing of the tests or the benchmarks.
if grep -E -- '(^|[ /])(tests|bench)/|_tests( |$)|_bench( |$)|gtest|benchmark' <<<"$commands" | head -n 3 | grep .; then
  fail "velmar_package_contents builds tests or benchmarks (above)"
fi
echo "ok: ${#installed[@]} built files installed, all made by velmar_package_contents"
