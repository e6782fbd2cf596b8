#!/usr/bin/env bash
# Builds the core library, velmar-cli and the Qt-free tests for Windows
# x86-64 with Debian's mingw-w64 cross compilers, into build-win/bin/.
#
# Installs what it needs (mingw-w64, Wine, Debian's source entry and
# Crypto++'s source package), then builds Crypto++ and GoogleTest for mingw
# once into a cached prefix (build-win/deps/prefix; delete it to rebuild
# them) and the programs against that prefix. Every compiling step holds the
# machine-wide build lock, released between steps. VELMAR_JOBS sets the
# parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build_dir=${VELMAR_WIN_BUILD_DIR:-build-win}
jobs=${VELMAR_JOBS:-2}
deps=$root/$build_dir/deps
prefix=$deps/prefix
triple=x86_64-w64-mingw32
lock=/tmp/velmar-build.lock
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

step_start=$(date +%s)
step() {  # name of the step just finished
  local now
  now=$(date +%s)
  printf '== windows %s: %d s\n' "$1" $((now - step_start))
  step_start=$now
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "error: need root or sudo to run: $*" >&2
    exit 1
  fi
}

apt_get() { as_root env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=600 "$@"; }

# ---- the tools, from Debian's packages
scripts/install-deps.sh
packages=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 dpkg-dev zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
fi
step "tools"

# ---- Crypto++ from Debian's own source package, built once
if [ ! -f "$prefix/lib/libcrypto++.a" ]; then
  mkdir -p "$deps/src"
  if ! ls -d "$deps"/src/libcrypto++-*/ >/dev/null 2>&1; then
    # Source entries for the same archive and suites as the binary ones.
    sources=/etc/apt/sources.list.d/velmar-deb-src.sources
    if ! grep -rqs "^Types:.*deb-src" /etc/apt/sources.list.d/ && ! grep -qs "^deb-src" /etc/apt/sources.list; then
      tmp=$(mktemp)
      sed -n 's/^Types: deb$/Types: deb-src/p; /^URIs:/p; /^Suites:/p; /^Components:/p; /^Signed-By:/p; /^$/p' \
        /etc/apt/sources.list.d/debian.sources >"$tmp"
      as_root install -m 0644 "$tmp" "$sources"
      rm -f "$tmp"
      apt_get update
    fi
    (cd "$deps/src" && apt-get source -q libcrypto++)
  fi
  src=$(ls -d "$deps"/src/libcrypto++-*/ | head -n1)
  # Static library only, of the parts Velmar's programs link: the linker
  # takes these 35 of the library's 200 files into them (its link map), and
  # compiling only these saves most of the stage. A program that comes to
  # need another part fails to link naming the symbol; add its file here.
  # The cross compiler is named explicitly so the makefile takes its mingw
  # settings.
  crypto_parts=(cryptlib cpu integer algparam allocate asn base64 basecode bfinit blowfish dll ec2n ecp filters
                fips140 gf2n gfpcrypt hex hmac hrtimer iterhash misc modes mqueue nbtheory oaep osrng pubkey queue
                randpool rdtables rijndael ripemd rng sha)
  flock "$lock" make -C "$src" -f GNUmakefile -j "$jobs" \
    CXX="ccache $triple-g++-posix" AR=$triple-ar RANLIB=$triple-ranlib \
    CXXFLAGS="-DNDEBUG -O2 -DCRYPTOPP_DISABLE_ASM" SRCS="${crypto_parts[*]/%/.cpp}" static
  make -C "$src" -f GNUmakefile install-lib PREFIX="$prefix" CXX=$triple-g++-posix >/dev/null
  # Debian's package names the header folder both ways; so does the prefix.
  ln -sfn crypto++ "$prefix/include/cryptopp"
  step "Crypto++"
fi

# ---- GoogleTest from Debian's source, built once
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  rm -rf "$deps/googletest"
  flock "$lock" cmake -S /usr/src/googletest -B "$deps/googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF
  flock "$lock" cmake --build "$deps/googletest" -j "$jobs"
  cmake --install "$deps/googletest" >/dev/null
  step "GoogleTest"
fi

# ---- header-only libraries: the Linux packages' headers, alone in the prefix
mkdir -p "$prefix/include"
for h in CLI nlohmann; do
  [ -e "$prefix/include/$h" ] || cp -r "/usr/include/$h" "$prefix/include/$h"
done

# ---- Velmar
if [ ! -f "$build_dir/build.ninja" ]; then
  cmake -S . -B "$build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64.cmake" \
    -DVELMAR_WIN_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DVELMAR_BUILD_GUI=OFF -DVELMAR_BUILD_BENCH=OFF ${VELMAR_CMAKE_ARGS:-}
fi
flock "$lock" cmake --build "$build_dir" -j "$jobs" "$@"
step "Velmar"
