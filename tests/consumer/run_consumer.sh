#!/usr/bin/env bash
# run_consumer.sh BUILD_DIR CONSUMER_SOURCE CXXFLAGS VERSION [EMULATOR ARGS...]
set -euo pipefail
build=$1 src=$2 flags=${3:-} version=$4
shift 4
emulator=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
cmake -S "$src" -B "$tmp/build" -DCMAKE_PREFIX_PATH="$tmp/prefix" \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/build" >/dev/null
libdir=$(dirname "$(find "$tmp/prefix" -name 'libocr-rkcorr.so' | head -n1)")
LD_LIBRARY_PATH="$libdir" "${emulator[@]}" "$tmp/build/consumer"
# The same program through pkg-config.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 $flags "$src/main.cpp" -o "$tmp/consumer-pc" $(pkg-config --cflags --libs ocr-rkcorr)
LD_LIBRARY_PATH="$libdir" "${emulator[@]}" "$tmp/consumer-pc"
# The installed tool runs from this prefix without LD_LIBRARY_PATH (relative RPATH).
if [ -x "$tmp/prefix/bin/rkcorr" ]; then
  said=$(env -u LD_LIBRARY_PATH "${emulator[@]}" "$tmp/prefix/bin/rkcorr" --version)
  [ "$said" = "rkcorr $version" ] || { echo "installed rkcorr --version: '$said'" >&2; exit 1; }
fi
echo "consumer ok"
