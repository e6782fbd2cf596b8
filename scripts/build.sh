#!/usr/bin/env bash
# Configures (once) and builds Velmar in ./build with Ninja. Builds are
# serialised through a lock file so that parallel sessions on one small
# machine never compile at the same time. Target names may be given bare
# (scripts/build.sh velmar-cli); other arguments go to cmake --build.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${VELMAR_BUILD_DIR:-build}
jobs=${VELMAR_JOBS:-$(nproc)}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
# Share cached objects between checkouts in different folders.
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

exec 9>/tmp/velmar-build.lock
flock 9

if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja ${VELMAR_CMAKE_ARGS:-}
fi
# Bare words are target names (scripts/build.sh velmar-cli); anything from
# the first option on goes to cmake --build as it is.
args=()
while [ $# -gt 0 ] && [[ $1 != -* ]]; do
  args+=(--target "$1")
  shift
done
cmake --build "$build_dir" -j "$jobs" "${args[@]}" "$@"
