#!/usr/bin/env bash
# The bash completion of velmar-cli, driven as bash drives it, against the
# built executable: commands and options read from its help, kinds,
# drivers, family numbers and device names. The zsh one must at least parse.
set -uo pipefail
completions=$1
PATH="$2:$PATH"
source "$completions/velmar-cli.bash"
failures=0

# complete WORD... : what the completion offers for the last word.
complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _velmar_cli
  printf '%s\n' "${COMPREPLY[@]}"
}
# expect "WANTED..." -- WORD...: every wanted word is offered.
expect() {
  local wanted=$1; shift 2
  local got
  got=$(complete_words "$@")
  for w in $wanted; do
    if ! grep -qxF -- "$w" <<<"$got"; then
      echo "FAIL: '$*' does not offer '$w'; offered: $(tr '\n' ' ' <<<"$got")"
      failures=$((failures + 1))
    fi
  done
}

expect "identify doctor hex build list" -- velmar-cli ""
expect "list" -- velmar-cli --simulate 8way li
expect "portable 8way-v2 3" -- velmar-cli --simulate ""
expect "libftdi d2xx" -- velmar-cli --driver ""
expect "exact fast" -- velmar-cli --link-pacing ""
expect "info convert" -- velmar-cli hex ""
expect "--sysfs-root --dev-root --udev-root --link-test" -- velmar-cli doctor --
expect "--program-folder --json" -- velmar-cli --
expect "PIC16F628A" -- velmar-cli build --device PIC16F62
expect "0 1 2" -- velmar-cli devices --family ""
expect "0 1 2 3" -- velmar-cli devices --kind 2 --family ""

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
printf '[MYPART]\r\nFlashSize=1\r\n[ OTHER ]\r\n' >"$folder/DEVICES.INI"
expect "MYPART" -- velmar-cli --program-folder "$folder" build --device ""
got=$(complete_words velmar-cli --program-folder "$folder" build --device "")
if grep -q PIC16F628A <<<"$got"; then
  echo "FAIL: --program-folder was not followed"
  failures=$((failures + 1))
fi

if command -v zsh >/dev/null; then
  zsh -n "$completions/_velmar-cli" || failures=$((failures + 1))
fi
[ "$failures" = 0 ] && echo ok
exit "$failures"
