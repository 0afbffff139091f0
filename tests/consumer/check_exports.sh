#!/usr/bin/env bash
# check_exports.sh LIBRARY PLATFORM_LIBRARY
# Every dynamic symbol the two libraries define must be one of the library's
# exported names: no standard-library instantiations, no file-local helpers.
set -euo pipefail
lib=$1 platform=$2
allowed='^(vtable for |typeinfo for |typeinfo name for |non-virtual thunk to )?(CRk|RKIMG::|RKTC::|HRanExtractFast|CRunList|ImgMask|ImgRestoration|SupportMMX|merge_closeset|OCR|BKErase|QueryEdgeEntropyInterface|IEdgeEntropy|CEdgeEntropy|ICharConvert|CSmallToCapital|CCapitalToSmall|sjis2jis|jis2sjis|Jmbbtombc|Jmbctombb|g_)'
platform_allowed='^(Global(Alloc|Lock|Unlock|Size|Free)|fopen_s|RkTest[A-Za-z]*|CreateEvent[AW]?|SetEvent|ResetEvent|WaitForSingleObject|WaitForMultipleObjects|CloseHandle|_beginthreadex|(Initialize|Enter|Leave|Delete)CriticalSection|InterlockedExchange)$'
bad=0
symbols() { nm -D --defined-only -C "$1" | awk '$2 != "A" { $1=""; $2=""; sub(/^  /, ""); print }'; }
while IFS= read -r s; do
  [[ "$s" =~ $allowed ]] || { echo "unexpected export in $(basename "$lib"): $s"; bad=1; }
done < <(symbols "$lib")
while IFS= read -r s; do
  [[ "$s" =~ $platform_allowed ]] || { echo "unexpected export in $(basename "$platform"): $s"; bad=1; }
done < <(symbols "$platform")
readelf -d "$lib" | grep -q 'SONAME.*libocr-rkcorr.so' || { echo "no SONAME on $lib"; bad=1; }
readelf -d "$platform" | grep -q 'SONAME.*libocr-rkcorr-platform.so' || { echo "no SONAME on $platform"; bad=1; }
[ $bad -eq 0 ] && echo "exports ok"
exit $bad
