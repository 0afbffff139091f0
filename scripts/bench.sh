#!/usr/bin/env bash
# bench.sh: builds the benchmark programs in a Release build directory, runs
# the ones that hold the tracked pairs (5 repetitions, aggregates only), and
# prints for each pair both CPU-time medians, their ratio, the target and
# whether it is met. Ratios compare runs from the same invocation.
# Usage: scripts/bench.sh [build-dir]   (default: build/bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/bench}
progs=(restore_bench mask_bench labeling_bench entropy_bench)
# Only the benchmarks of the table; the others in these programs are for
# looking closer at one stage.
declare -A filter=([restore_bench]='.' [mask_bench]='CreateMask|ReduceRank|MaskFrom8bitGrey|MaskFrom24bit|Chain'
                   [labeling_bench]='.' [entropy_bench]='PlainReadPage|SetImageDo')
reps=${BENCH_REPETITIONS:-5}

cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DRKCORR_BUILD_BENCH=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "${progs[@]}" >"$dir/bench-build.log" 2>&1 \
  || { tail -n 40 "$dir/bench-build.log"; exit 1; }

out="$dir/bench-results"
mkdir -p "$out"
for p in "${progs[@]}"; do
  exe=$(find "$dir" -type f -name "$p" -perm -u+x | head -n 1)
  "$exe" --benchmark_filter="${filter[$p]}" --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
         --benchmark_format=json --benchmark_out="$out/$p.json" --benchmark_out_format=json >/dev/null
done

python3 - "$out" <<'PY'
import json, os, platform, sys
out = sys.argv[1]
med = {}
for f in sorted(os.listdir(out)):
    if not f.endswith(".json"):
        continue
    with open(os.path.join(out, f)) as fh:
        data = json.load(fh)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            med[b["run_name"]] = b["cpu_time"] * scale[b.get("time_unit", "ns")]
# (ours, peer, target, how the ratio reads)
# "faster": peer / ours, higher is better; "share": ours / peer (ours is the
# floor, the peer the scorer's set-up and pass), higher is better.
pairs = [
    ("BM_ImgRestoration/format:0", "BM_Leptonica/format:0", 5.0, "faster"),
    ("BM_ImgRestoration/format:1", "BM_Leptonica/format:1", 2.0, "faster"),
    ("BM_ImgRestoration/format:3", "BM_Leptonica/format:3", 2.5, "faster"),
    ("BM_MaskFrom8bitGrey", "BM_LeptonicaGreyChain", 4.0, "faster"),
    ("BM_MaskFrom24bit", "BM_LeptonicaColourChain", 4.5, "faster"),
    ("BM_SegmentInit/0", "BM_LeptonicaConnCompBB/0", 2.5, "faster"),
    ("BM_SegmentInit/1", "BM_LeptonicaConnCompBB/1", 2.5, "faster"),
    ("BM_PlainReadPage", "BM_SetImageDo", 1 / 5, "share"),
    ("BM_CreateMask", "BM_LeptonicaReduceRankBinary2", 1.5, "faster"),
]
cpu = ""
try:
    with open("/proc/cpuinfo") as fh:
        for line in fh:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
except OSError:
    pass
print(f"Machine: {cpu or platform.processor()}, {os.cpu_count()} cores; CPU-time medians of 5 runs, ms")
print()
print("| Pair | Ours (ms) | Peer (ms) | Ratio | Target | Met |")
print("|---|---|---|---|---|---|")
missed = 0
for a, b, target, kind in pairs:
    if a not in med or b not in med:
        print(f"| `{a}` vs `{b}` | - | - | - | - | missing |")
        missed += 1
        continue
    ratio = med[b] / med[a] if kind == "faster" else med[a] / med[b]
    met = ratio >= target
    missed += not met
    if kind == "faster":
        r, t = f"{ratio:.2f}x", f">= {target:g}x"
    else:
        r, t = f"1/{1 / ratio:.1f}", f">= 1/{1 / target:g}"
    print(f"| `{a}` vs `{b}` | {med[a]:.2f} | {med[b]:.2f} | {r} | {t} | {'yes' if met else 'NO'} |")
print()
print("all targets met" if missed == 0 else f"{missed} target(s) not met")
PY
