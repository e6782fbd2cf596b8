#!/usr/bin/env bash
# Makes the Windows zip, build-win/packages/velmar-<version>-windows-x86_64.zip:
# velmar-cli.exe with the program folder's files beside it (DEVICES.INI,
# progsetting.ini, the firmware files, the quick-start manuals when the
# Linux build has rendered them), the README and the Windows notes. Unpacked
# anywhere it runs as it is; FTDI's ftd2xx.dll comes with FTDI's driver.
# Builds first when the Windows build is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${VELMAR_WIN_BUILD_DIR:-build-win}
bin=$build_dir/bin
[ -f "$bin/velmar-cli.exe" ] || scripts/build-windows.sh
version=$(sed -n 's/^project(Velmar VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=velmar-$version-windows-x86_64
stage=$build_dir/packages/$name
rm -rf "$stage" "$stage.zip"
mkdir -p "$stage"
cp "$bin/velmar-cli.exe" "$stage/"
x86_64-w64-mingw32-strip "$stage/velmar-cli.exe"
cp -r data/DEVICES.INI data/progsetting.ini data/FirmWare "$stage/"
for guide in guide_single guide_8way guide_portable; do
  for f in "$bin/$guide.pdf" "build/bin/$guide.pdf"; do
    if [ -f "$f" ]; then
      cp "$f" "$stage/"
      break
    fi
  done
done
# Text files with Windows line ends, so Notepad shows them as meant.
sed 's/$/\r/' README.md >"$stage/README.txt"
sed 's/$/\r/' docs/WINDOWS.md >"$stage/WINDOWS.txt"
(cd "$build_dir/packages" && zip -qr "$name.zip" "$name")
rm -rf "$stage"
echo "$build_dir/packages/$name.zip"
