#!/usr/bin/env bash
# Lays out every C++ file of the repository by .clang-format (src, tests,
# bench, tools), or with --check lists the files that differ from that layout
# and exits with status 1 when there are any. Needs clang-format
# (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                     'bench/*.cpp' 'bench/*.h' 'tools/*.cpp' 'tools/*.h')
if [ "${1:-}" = "--check" ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! "$format" --style=file "$f" | cmp -s - "$f"; then
      echo "not formatted: $f"
      bad=1
    fi
  done
  if [ $bad -ne 0 ]; then
    echo "run scripts/format.sh to lay these files out" >&2
    exit 1
  fi
  echo "all ${#files[@]} C++ files follow .clang-format"
elif [ $# -eq 0 ]; then
  "$format" --style=file -i "${files[@]}"
else
  echo "usage: scripts/format.sh [--check]" >&2
  exit 2
fi
