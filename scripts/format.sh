#!/usr/bin/env bash
# Lays out every C++ file of the repository by .clang-format (src, tests,
# bench, tools, fuzz), or with --check lists the files that differ from that
# layout and exits with status 1 when there are any. Needs clang-format
# (scripts/install-deps.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
format=${CLANG_FORMAT:-clang-format}
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
                                     'bench/*.cpp' 'bench/*.h' 'tools/*.cpp' 'tools/*.h' \
                                     'fuzz/*.cpp' 'fuzz/*.h')
if [ "${1:-}" = "--check" ]; then
  # One run over every file; it names each line that would move.
  if ! report=$("$format" --style=file --dry-run --Werror "${files[@]}" 2>&1); then
    printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/not formatted: \1/p' | sort -u
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
