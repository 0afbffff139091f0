#!/usr/bin/env bash
# test.sh: installs what is missing, then builds and runs every test in four
# configurations: native Release, -m32, AddressSanitizer+UndefinedBehaviorSanitizer,
# and ThreadSanitizer for the thread pool and the platform's thread calls; then
# Valgrind's memcheck over the fast native tests (label "fast") and each
# libFuzzer target for a short while over its seed corpus (clang, ASan+UBSan).
# Usage: scripts/test.sh [native|m32|asan|tsan|memcheck|fuzz ...]   (default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)
mkdir -p "$root/build"
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native m32 asan tsan memcheck fuzz)

# Builds everything, or only the programs named in $targets when it is set.
run() {  # [targets="..."] run NAME CTEST_ARGS -- CMAKE_ARGS...
  local name=$1; shift
  local ctest_args=()
  while [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done; shift
  local dir="$root/build/test-$name"
  echo "=== $name: configure and build"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  local build_targets=()
  [ -z "${targets:-}" ] || build_targets=(--target $targets)
  cmake --build "$dir" -j "$jobs" "${build_targets[@]}" >"$dir/build.log" 2>&1 \
    || { tail -n 60 "$dir/build.log"; return 1; }
  echo "=== $name: test"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]}")
}

# Every test labelled "fast" of the native build under memcheck, two at a
# time; any error or leak fails the step.
memcheck() {
  local dir=${RKCORR_MEMCHECK_DIR:-$root/build/test-native}
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$dir" -j "$jobs" >"$dir/build.log" 2>&1 || { tail -n 60 "$dir/build.log"; return 1; }
  echo "=== memcheck: valgrind over the fast tests"
  local logs="$dir/memcheck"
  rm -rf "$logs" && mkdir -p "$logs"
  (cd "$dir" && ctest -L fast --show-only=json-v1) | python3 -c '
import json, sys
for t in json.load(sys.stdin)["tests"]:
    print(t["name"] + "\t" + "\t".join(t["command"]))' >"$logs/tests.tsv"
  local count; count=$(wc -l <"$logs/tests.tsv")
  [ "$count" -gt 0 ] || { echo "no test labelled fast"; return 1; }
  local failed=0
  local supp="$root/scripts/valgrind.supp"
  export logs supp
  xargs -P "$jobs" -L 1 -d '\n' bash -c '
    IFS=$(printf "\t") read -r name cmd <<<"$0"
    IFS=$(printf "\t") read -r -a argv <<<"$cmd"
    if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --num-callers=30 --suppressions="$supp" \
         --soname-synonyms=somalloc=nouserintercepts \
         --log-file="$logs/$name.valgrind" "${argv[@]}" >"$logs/$name.out" 2>&1; then
      echo "memcheck passed: $name"
    else
      echo "memcheck FAILED: $name"; tail -n 40 "$logs/$name.valgrind"; exit 255
    fi' <"$logs/tests.tsv" || failed=1
  if [ $failed -eq 0 ]; then echo "memcheck: $count passed, 0 failed"; else echo "memcheck: some tests FAILED"; fi
  return $failed
}

# Each fuzz target for a bounded time over a scratch copy of its seed corpus,
# from a fixed seed so that a run can be repeated (scripts/fuzz.sh explores).
fuzz() {
  local dir="$root/build/test-fuzz" seconds=${RKCORR_FUZZ_SECONDS:-15}
  echo "=== fuzz: configure and build"
  CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -DRKCORR_BUILD_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1" \
    -DRKCORR_BUILD_TESTS=OFF -DRKCORR_BUILD_BENCH=OFF >/dev/null
  local targets; targets=$(cd "$root/fuzz" && ls -d */ | tr -d /)
  cmake --build "$dir" -j "$jobs" --target $(printf '%s_fuzz ' $targets) >"$dir/build.log" 2>&1 \
    || { tail -n 60 "$dir/build.log"; return 1; }
  local failed=0 ran=0 t
  for t in $targets; do
    rm -rf "$dir/scratch/$t" && mkdir -p "$dir/scratch/$t" "$dir/findings"
    echo "=== fuzz: $t for ${seconds}s"
    if "$dir/fuzz/${t}_fuzz" -seed=1 -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2560 -timeout=60 \
         -artifact_prefix="$dir/findings/$t-" "$dir/scratch/$t" "$root/fuzz/$t" >"$dir/$t.log" 2>&1; then
      grep -E "^Done" "$dir/$t.log" | tail -n 1
    else
      failed=$((failed + 1)); grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$dir/$t.log" | head -n 10
    fi
    ran=$((ran + 1))
  done
  echo "fuzz: $((ran - failed)) passed, $failed failed"
  [ $failed -eq 0 ]
}

# 32-bit test programs run natively where the kernel can, else under qemu-i386.
m32_emulator=""
if ! printf 'int main(void){return 0;}' | gcc -m32 -x c - -o "$root/build/.m32-probe" 2>/dev/null \
   || ! "$root/build/.m32-probe" 2>/dev/null; then
  m32_emulator="/usr/bin/qemu-i386;-L;/"
fi
rm -f "$root/build/.m32-probe"

status=0
for b in "${builds[@]}"; do
  case $b in
    native) run native -- || status=1 ;;
    # This kernel may not run 32-bit programs itself: the tests run under qemu-i386.
    m32) run m32 -- -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DRKCORR_GTEST_FROM_SOURCE=ON \
           "-DCMAKE_CROSSCOMPILING_EMULATOR=$m32_emulator" \
           -DRKCORR_ORACLE_TESTS=OFF -DRKCORR_BUILD_BENCH=OFF -DRKCORR_BUILD_CLI=OFF || status=1 ;;
    # -O1 and line tables only: the sanitized JSON and image code compiles in half the time.
    asan) ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
           run asan -- -DRKCORR_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1" \
           -DRKCORR_BUILD_BENCH=OFF || status=1 ;;
    # Only the programs of the thread pool and the platform's thread calls run here.
    tsan) TSAN_OPTIONS=halt_on_error=1:allocator_may_return_null=1 \
           targets="platform_memory_test platform_thread_test threadpool_test" \
           run tsan -L 'threadpool|platform' -- -DRKCORR_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           -DRKCORR_BUILD_BENCH=OFF -DRKCORR_BUILD_CLI=OFF -DRKCORR_ORACLE_TESTS=OFF || status=1 ;;
    memcheck) memcheck || status=1 ;;
    fuzz) fuzz || status=1 ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
done
[ $status -eq 0 ] && echo "all builds passed" || echo "SOME BUILDS FAILED"
exit $status
