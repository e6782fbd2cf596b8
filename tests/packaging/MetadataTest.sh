#!/usr/bin/env bash
# The launcher, AppStream metadata, MIME type and manual pages pass the
# checks their users' tools make.
set -euo pipefail
dir=$1
desktop-file-validate "$dir/org.velmar.Velmar.desktop"
appstreamcli validate --no-net "$dir/org.velmar.Velmar.metainfo.xml"
xmllint_ok=1
if command -v xmllint >/dev/null; then xmllint --noout "$dir/velmar-mime.xml" || xmllint_ok=0; fi
[ "$xmllint_ok" = 1 ]
grep -q 'pattern="\*.prg"' "$dir/velmar-mime.xml"
grep -q '^MimeType=application/x-velmar-unit;$' "$dir/org.velmar.Velmar.desktop"
for page in velmar.1 velmar-cli.1; do
  # man reports troff's warnings on stderr; a clean page has none.
  warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$dir/man/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
  MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$dir/man/$page" | grep -q "^NAME" || { echo "$page does not render"; exit 1; }
done
# The udev rule gives the seat's user access and keeps plugdev as the
# fallback; every rule in force names the programmer's serial number, so no
# other FT2232 on the machine is granted (the broad rule is only a comment);
# every rule, the broad one too, keeps ModemManager off the programmer.
rule=$dir/udev/60-velmar-programmer.rules
active=$(grep -v '^[[:space:]]*#' "$rule" | grep -v '^[[:space:]]*$')
[ -n "$active" ] || { echo "the udev rule has no rule"; exit 1; }
while IFS= read -r line; do
  case $line in
    *'ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6010", ATTRS{serial}=="QRX",'*'GROUP="plugdev"'*'TAG+="uaccess"'*) ;;
    *) echo "udev rule not narrowed to the programmer: $line"; exit 1 ;;
  esac
  case $line in
    *'ENV{ID_MM_DEVICE_IGNORE}="1"'*) ;;
    *) echo "udev rule leaves the programmer to ModemManager: $line"; exit 1 ;;
  esac
done <<<"$active"
grep -q '^#SUBSYSTEM=="usb", ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6010", MODE=.*ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule" ||
  { echo "the broad udev rule does not keep ModemManager off"; exit 1; }
echo ok
