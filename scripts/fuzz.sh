#!/usr/bin/env bash
# fuzz.sh TARGET [SECONDS]: builds the libFuzzer targets (clang, AddressSanitizer
# and UBSan, in build/fuzz) and runs TARGET_fuzz for SECONDS (default 300) on
# its seed corpus fuzz/TARGET/. New inputs collect in build/fuzz/corpus/TARGET,
# crashes in build/fuzz/findings/. Targets: restore entropy toolkit charconv
# image_reader recognition_json; "all" runs each in turn for SECONDS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: fuzz.sh TARGET [SECONDS]}
seconds=${2:-300}
targets=(restore entropy toolkit charconv image_reader recognition_json)
[ "$target" = all ] || targets=("$target")
dir="$root/build/fuzz"
if [ ! -f "$dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DRKCORR_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DRKCORR_BUILD_TESTS=OFF -DRKCORR_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]/%/_fuzz}" >"$dir/build.log" 2>&1 \
  || { tail -n 40 "$dir/build.log"; exit 1; }
mkdir -p "$dir/findings"
status=0
for t in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$t"
  echo "=== fuzz $t for ${seconds}s"
  # Pages and bitmaps are built from the input: 64 KiB is room for any of them.
  if ! "$dir/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2560 -timeout=60 \
       -print_final_stats=1 -artifact_prefix="$dir/findings/$t-" "$dir/corpus/$t" "$root/fuzz/$t" \
       >"$dir/$t.log" 2>&1; then
    status=1
    grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$dir/$t.log" | head -n 10
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$dir/$t.log" | tail -n 2
done
exit $status
