#!/usr/bin/env bash
# test.sh: installs what is missing, then builds and runs every test in four
# configurations: native Release, -m32, AddressSanitizer+UndefinedBehaviorSanitizer,
# and ThreadSanitizer for the thread pool and the platform's thread calls.
# Usage: scripts/test.sh [native|m32|asan|tsan ...]   (default: all four)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)
mkdir -p "$root/build"
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native m32 asan tsan)

run() {  # run NAME CTEST_ARGS -- CMAKE_ARGS...
  local name=$1; shift
  local ctest_args=()
  while [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done; shift
  local dir="$root/build/test-$name"
  echo "=== $name: configure and build"
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j "$jobs" >"$dir/build.log" 2>&1 || { tail -n 60 "$dir/build.log"; return 1; }
  echo "=== $name: test"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]}")
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
    asan) ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
           run asan -- -DRKCORR_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           -DRKCORR_BUILD_BENCH=OFF || status=1 ;;
    tsan) TSAN_OPTIONS=halt_on_error=1:allocator_may_return_null=1 \
           run tsan -L 'threadpool|platform' -- -DRKCORR_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
           -DRKCORR_BUILD_BENCH=OFF -DRKCORR_BUILD_CLI=OFF -DRKCORR_ORACLE_TESTS=OFF || status=1 ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
done
[ $status -eq 0 ] && echo "all builds passed" || echo "SOME BUILDS FAILED"
exit $status
