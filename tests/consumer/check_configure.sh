#!/usr/bin/env bash
# check_configure.sh SOURCE_DIR: configures the project with optional
# dependencies switched off and checks what the configure step decides.
set -euo pipefail
src=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
off=()
for name in GTest Leptonica benchmark Tesseract nlohmann_json; do
  off+=("-DCMAKE_DISABLE_FIND_PACKAGE_$name=ON")
done
out=$(cmake -S "$src" -B "$tmp/all-off" "${off[@]}" 2>&1)
grep -q "will build: the library only$" <<<"$out" || { echo "$out"; echo "FAIL: library only" >&2; exit 1; }
for part in "tests (missing GoogleTest)" "benchmarks (missing Google Benchmark, Leptonica)" \
            "rkcorr tool (missing Leptonica, Tesseract, nlohmann-json)"; do
  grep -qF "$part" <<<"$out" || { echo "$out"; echo "FAIL: summary lacks '$part'" >&2; exit 1; }
done
# Each dependency alone: the parts that need it go, with it named.
out=$(cmake -S "$src" -B "$tmp/no-tess" -DCMAKE_DISABLE_FIND_PACKAGE_Tesseract=ON \
      -DRKCORR_BUILD_TESTS=OFF -DRKCORR_BUILD_BENCH=OFF 2>&1)
grep -qF "rkcorr tool (missing Tesseract)" <<<"$out" || { echo "$out"; echo "FAIL: Tesseract" >&2; exit 1; }
# Asked for explicitly but missing: the configure step fails and says why.
if out=$(cmake -S "$src" -B "$tmp/cli-on" -DCMAKE_DISABLE_FIND_PACKAGE_Tesseract=ON \
         -DRKCORR_BUILD_CLI=ON -DRKCORR_BUILD_TESTS=OFF -DRKCORR_BUILD_BENCH=OFF 2>&1); then
  echo "FAIL: RKCORR_BUILD_CLI=ON without Tesseract configured" >&2; exit 1
fi
grep -q "RKCORR_BUILD_CLI is ON, but the rkcorr tool cannot be built: not found: Tesseract" \
  <<<"$(tr -s '\n ' '  ' <<<"$out")" \
  || { echo "$out"; echo "FAIL: error message" >&2; exit 1; }
echo "configure options ok"
