#!/usr/bin/env bash
# demo.sh: installs what is missing, builds rkcorr, and runs it on the bundled
# sample page: prints the picture areas and writes build/demo/sample-page.overlay.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
build="$root/build/demo"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRKCORR_BUILD_TESTS=OFF \
      -DRKCORR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target rkcorr >"$build/build.log" 2>&1 || { tail -n 40 "$build/build.log"; exit 1; }
mkdir -p "$build/out"
echo "rkcorr on samples/sample-page.png (ground truth: samples/sample-page.truth.json)"
"$build/cli/rkcorr" --overlay "$build/out/sample-page.overlay.png" "$root/samples/sample-page.png" | tee "$build/out/sample-page.json"
echo "overlay written to $build/out/sample-page.overlay.png"
