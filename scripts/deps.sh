#!/usr/bin/env bash
# deps.sh [PACKAGE...]: installs the Debian packages the project needs that are
# missing (everything for building, testing and the command-line tool when no
# package is named).
set -euo pipefail
pkgs=("$@")
if [ ${#pkgs[@]} -eq 0 ]; then
  pkgs=(build-essential cmake pkg-config python3 git
        libgtest-dev googletest libbenchmark-dev
        gcc-multilib g++-multilib qemu-user
        libleptonica-dev libtesseract-dev tesseract-ocr tesseract-ocr-eng nlohmann-json3-dev
        valgrind clang libclang-rt-14-dev)  # memcheck; fuzzing (libFuzzer is in libclang-rt-14-dev)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
