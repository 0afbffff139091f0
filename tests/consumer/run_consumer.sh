#!/usr/bin/env bash
# run_consumer.sh BUILD_DIR CONSUMER_SOURCE CXXFLAGS [EMULATOR ARGS...]
set -euo pipefail
build=$1 src=$2 flags=${3:-}
shift 3
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
echo "consumer ok"
