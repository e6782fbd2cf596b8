#!/usr/bin/env bash
# Makes the Debian package from the built tree (no lintian: scripts/package.sh
# does that), unpacks it into a scratch root with dpkg-deb -x and runs the
# installed velmar-cli from there: its version, a simulated identify (which
# needs the program folder in share/velmar), and the layout a user expects.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$build" && cpack -G DEB -B "$scratch/out" --config CPackConfig.cmake >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
dpkg-deb -x "$deb" "$scratch/root"

fail() { echo "FAIL: $*" >&2; exit 1; }
root=$scratch/root
for f in usr/bin/velmar-cli usr/share/velmar/DEVICES.INI usr/share/velmar/progsetting.ini \
         usr/share/velmar/FirmWare/qrxpicusb.upd usr/share/velmar/udev/60-velmar-programmer.rules \
         usr/lib/udev/rules.d/60-velmar-programmer.rules \
         usr/share/applications/org.velmar.Velmar.desktop usr/share/metainfo/org.velmar.Velmar.metainfo.xml \
         usr/share/mime/packages/velmar.xml usr/share/icons/hicolor/scalable/apps/org.velmar.Velmar.svg \
         usr/share/icons/hicolor/48x48/apps/org.velmar.Velmar.png usr/share/man/man1/velmar-cli.1.gz \
         usr/share/man/man1/velmar.1.gz usr/share/bash-completion/completions/velmar-cli \
         usr/share/zsh/vendor-completions/_velmar-cli usr/share/doc/velmar/copyright; do
  [ -e "$root/$f" ] || fail "the package lacks /$f"
done

# Dependencies worked out from the binaries, and the udev reload.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libftdi1 libcrypto++ libusb-1.0; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
dpkg-deb -I "$deb" postinst | grep -q "udevadm control --reload-rules" || fail "postinst does not reload udev"

cli=$root/usr/bin/velmar-cli
"$cli" --version | grep -q "velmar-cli " || fail "--version"
work=$scratch/work
out=$("$cli" --working-folder "$work" --simulate portable identify 2>"$scratch/err") ||
  fail "identify: $(cat "$scratch/err")"
grep -q "portable programmer" <<<"$out" || fail "identify printed: $out"
[ ! -s "$scratch/err" ] || fail "identify complained: $(cat "$scratch/err")"
echo "ok: $deb"
