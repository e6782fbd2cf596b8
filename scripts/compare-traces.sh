#!/usr/bin/env bash
# Compares two folders made by scripts/record-traces.sh. Every file must be
# identical, except for the portable programmer's unit token, which the
# loader draws at random when it first writes that programmer: those traces
# may differ in at most three single-byte lines (the token written, with the
# send-immediate command after it, and read back) and the state files in
# their token line. Exit status 0 when the folders match.
set -uo pipefail
old=$1
new=$2
status=0
token_line='^[<>] (FT_Write 31 00 00 [0-9A-F]{2}( 87)? -> 0|FT_Read 1 -> 0 : [0-9A-F]{2})$'
while IFS= read -r -d '' f; do
  rel=${f#"$old"/}
  g=$new/$rel
  if [ ! -f "$g" ]; then
    echo "missing: $rel"; status=1; continue
  fi
  cmp -s "$f" "$g" && continue
  case $rel in
    portable/*.trace)
      if [ "$(wc -l <"$f")" = "$(wc -l <"$g")" ]; then
        changed=$(diff "$f" "$g" | grep -E '^[<>]')
        bad=$(grep -cvE "$token_line" <<<"$changed")
        count=$(grep -c '^<' <<<"$changed")
        [ "$bad" = 0 ] && [ "$count" -le 3 ] && continue
      fi ;;
    portable/s.json)
      [ -z "$(diff <(grep -v '^token=' "$f") <(grep -v '^token=' "$g"))" ] && continue ;;
  esac
  echo "differs: $rel"; status=1
done < <(find "$old" -type f -print0 | sort -z)
while IFS= read -r -d '' g; do
  [ -f "$old/${g#"$new"/}" ] || { echo "new file: ${g#"$new"/}"; status=1; }
done < <(find "$new" -type f -print0)
[ $status = 0 ] && echo "traces and results unchanged"
exit $status
