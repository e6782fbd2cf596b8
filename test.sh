#!/usr/bin/env bash
# Second command of the README: installs what is missing, builds, and runs
# every test through ctest. The exit status is the test suite's.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
cd "${VELMAR_BUILD_DIR:-build}"
exec 9>/tmp/velmar-test.lock
flock 9
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
