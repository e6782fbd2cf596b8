#!/usr/bin/env bash
# Builds Velmar's Debian package into build/packages/ with CPack (the
# dependencies are worked out from the binaries by dpkg-shlibdeps), then
# checks it with lintian, which must find no errors.
#   scripts/package.sh            build, package and check
#   scripts/package.sh --no-lint  skip lintian (the package test does)
set -euo pipefail
cd "$(dirname "$0")/.."
lint=1
if [ "${1:-}" = "--no-lint" ]; then lint=0; fi
build_dir=${VELMAR_BUILD_DIR:-build}

scripts/install-deps.sh
scripts/build.sh

out=$(cd "$build_dir" && pwd)/packages
mkdir -p "$out"
(cd "$build_dir" && cpack -G DEB -B "$out" --config CPackConfig.cmake)
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/*.deb | head -n 1)
echo "Package: $deb"
if [ "$lint" = 1 ]; then
  # Errors fail the script; warnings are printed for the reader.
  lintian --fail-on error --tag-display-limit 0 "$deb"
fi
