#!/usr/bin/env bash
# Builds Velmar's Debian package into build-package/packages/ with CPack (the
# dependencies are worked out from the binaries by dpkg-shlibdeps), then
# checks it with lintian, which must find no errors.
#   scripts/package.sh            build, package and check
#   scripts/package.sh --no-lint  skip lintian (the package test does)
# Only what the package ships is built (the programs, the guides, the manual
# pages: the target velmar_package_contents), in a folder of its own
# configured without tests and benchmarks ($VELMAR_PACKAGE_DIR, default
# build-package); the build goes through scripts/build.sh and its lock, and
# so does CPack's install.
set -euo pipefail
cd "$(dirname "$0")/.."
lint=1
if [ "${1:-}" = "--no-lint" ]; then lint=0; fi
build_dir=${VELMAR_PACKAGE_DIR:-build-package}

scripts/install-deps.sh
VELMAR_BUILD_DIR=$build_dir \
  VELMAR_CMAKE_ARGS="-DVELMAR_BUILD_TESTS=OFF -DVELMAR_BUILD_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON ${VELMAR_CMAKE_ARGS:-}" \
  scripts/build.sh --target velmar_package_contents

out=$(cd "$build_dir" && pwd)/packages
mkdir -p "$out"
(
  exec 9>/tmp/velmar-build.lock
  flock 9
  cd "$build_dir" && cpack -G DEB -B "$out" --config CPackConfig.cmake
)
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/*.deb | head -n 1)
echo "Package: $deb"
if [ "$lint" = 1 ]; then
  # Errors fail the script; warnings are printed for the reader.
  lintian --fail-on error --tag-display-limit 0 "$deb"
fi
