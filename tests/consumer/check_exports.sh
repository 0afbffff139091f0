#!/usr/bin/env bash
# check_exports.sh LIBRARY PLATFORM_LIBRARY
# The demangled dynamic symbols that each library defines must be exactly the
# checked-in list: cmake/exported-symbols/libocr-rkcorr.txt and
# cmake/exported-symbols/libocr-rkcorr-platform.txt (one name a line, sorted,
# each name once). No standard-library instantiation, no test call, no
# file-local helper, and nothing of the interface missing.
#
# Regenerate both lists after an intended change of the interface (64-bit
# build; a 32-bit build is compared after its size_t spelling is mapped):
#   bash tests/consumer/check_exports.sh --update build/dev/libocr-rkcorr.so build/dev/libocr-rkcorr-platform.so
set -euo pipefail
update=0
if [ "${1:-}" = "--update" ]; then
  update=1
  shift
fi
lib=$1 platform=$2
lists=$(cd "$(dirname "$0")/../../cmake/exported-symbols" && pwd)

symbols() {
  nm -D --defined-only -C "$1" | awk '$2 != "A" { $1=""; $2=""; sub(/^  /, ""); print }' | LC_ALL=C sort -u
}

bad=0
for pair in "$lib:libocr-rkcorr.txt" "$platform:libocr-rkcorr-platform.txt"; do
  file=${pair%%:*}
  list=$lists/${pair#*:}
  if [ $update -eq 1 ]; then
    symbols "$file" >"$list"
    echo "wrote $list"
    continue
  fi
  if ! out=$(diff "$list" <(symbols "$file")); then
    echo "exports of $(basename "$file") differ from $(basename "$list") (> exported, not listed; < listed, missing):"
    echo "$out" | grep -E '^[<>]' || true
    bad=1
  fi
done
[ $update -eq 1 ] && exit 0
readelf -d "$lib" | grep -q 'SONAME.*libocr-rkcorr.so' || { echo "no SONAME on $lib"; bad=1; }
readelf -d "$platform" | grep -q 'SONAME.*libocr-rkcorr-platform.so' || { echo "no SONAME on $platform"; bad=1; }
[ $bad -eq 0 ] && echo "exports ok"
exit $bad
