#!/usr/bin/env bash
# evaluate.sh [-k] [DIR] [-- RKCORR OPTIONS...]: measures rkcorr on pages with ground truth.
#
# DIR holds pages NAME.png / NAME-grey.png / NAME-bits.tif beside NAME.truth.json
# (as tools/make_eval_pages.py writes them; without DIR that set is generated
# into build/eval). Each depth is run through rkcorr (live Tesseract), and for
# each page and in total the script prints: pictures found at intersection over
# union >= 0.5 by areas labelled "picture" (and, for comparison, by the
# recogniser's own image blocks), areas labelled "picture" that lie outside
# every picture (less than half inside one), and the share of the text area
# that picture areas claim. -k keeps the JSON Lines in DIR/results-DEPTH.jsonl.
# RKCORR names the program (default build/dev/cli/rkcorr, then rkcorr on PATH).
# The default set (seed 0) is the one the tool's thresholds were tuned on; the
# held-out set is made with `tools/make_eval_pages.py --seed 1 DIR` and measured
# with `evaluate.sh DIR`: a change counts as a gain only when both improve.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keep=0
[ "${1:-}" = "-k" ] && { keep=1; shift; }
dir=""
if [ $# -gt 0 ] && [ "$1" != "--" ]; then dir=$1; shift; fi
[ "${1:-}" = "--" ] && shift
if [ -z "$dir" ]; then
  dir="$root/build/eval"
  [ -f "$dir/page00.truth.json" ] || /usr/bin/python3 "$root/tools/make_eval_pages.py" "$dir"
fi
tool=${RKCORR:-}
if [ -z "$tool" ]; then
  if [ -x "$root/build/dev/cli/rkcorr" ]; then tool="$root/build/dev/cli/rkcorr"; else tool=rkcorr; fi
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for depth in colour grey bits; do
  case $depth in
    colour) pattern='*[0-9].png' ;;
    grey) pattern='*-grey.png' ;;
    bits) pattern='*-bits.tif' ;;
  esac
  mapfile -t pages < <(find "$dir" -maxdepth 1 -name "$pattern" | sort)
  [ ${#pages[@]} -gt 0 ] || continue
  "$tool" -j "$(nproc)" --no-progress --no-timing "$@" "${pages[@]}" > "$out/$depth.jsonl" || true
  [ $keep -eq 0 ] || cp "$out/$depth.jsonl" "$dir/results-$depth.jsonl"
done
/usr/bin/python3 - "$dir" "$out" <<'PY'
import json, os, re, sys
import numpy as np

truth_dir, out = sys.argv[1], sys.argv[2]

def iou(a, b):
    l, t, r, bt = max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3])
    inter = max(0, r - l + 1) * max(0, bt - t + 1)
    area = lambda x: (x[2] - x[0] + 1) * (x[3] - x[1] + 1)
    return inter / float(area(a) + area(b) - inter)

def box(d):
    return (d["left"], d["top"], d["right"], d["bottom"])

def mask(boxes, w, h):
    m = np.zeros((h, w), bool)
    for l, t, r, b in boxes:
        m[t:b + 1, l:r + 1] = True
    return m

print("%-22s %8s %8s %8s %10s" % ("page", "recall", "engine", "outside", "text%"))
for depth in ("colour", "grey", "bits"):
    path = os.path.join(out, depth + ".jsonl")
    if not os.path.exists(path):
        continue
    tot = dict(pics=0, found=0, engine=0, outside=0, text=0, claimed=0, pages=0, failed=0)
    for line in open(path):
        res = json.loads(line)
        name = re.sub(r"(-grey|-bits)?\.(png|tif)$", "", os.path.basename(res["file"]))
        if "error" in res:
            print("%-22s failed: %s" % (name + " " + depth, res["error"]))
            tot["failed"] += 1
            continue
        truth = json.load(open(os.path.join(truth_dir, name + ".truth.json")))
        pics = [box(p) for p in truth["pictures"]]
        areas = [box(a) for a in res["picture_areas"] if a["kind"] == "picture"]
        engine = [box(a) for a in res["engine_areas"]]
        found = sum(1 for p in pics if any(iou(p, a) >= 0.5 for a in areas))
        efound = sum(1 for p in pics if any(iou(p, a) >= 0.5 for a in engine))
        w, h = truth["width"], truth["height"]
        pm = mask(pics, w, h)
        outside = sum(1 for a in areas if pm[a[1]:a[3] + 1, a[0]:a[2] + 1].mean() < 0.5)
        tm = mask([box(t) for t in truth["text_blocks"]], w, h) & ~pm
        claimed = int((tm & mask(areas, w, h)).sum())
        print("%-22s %4d/%-3d %4d/%-3d %8d %9.2f%%" % (name + " " + depth, found, len(pics), efound, len(pics),
                                                      outside, 100.0 * claimed / max(1, tm.sum())))
        tot["pics"] += len(pics); tot["found"] += found; tot["engine"] += efound; tot["outside"] += outside
        tot["text"] += int(tm.sum()); tot["claimed"] += claimed; tot["pages"] += 1
    if tot["pages"]:
        print("%-22s %7.1f%% %7.1f%% %8.2f %9.2f%%   (%d pages, %d failed; outside: per page)" % (
            "TOTAL " + depth, 100.0 * tot["found"] / max(1, tot["pics"]), 100.0 * tot["engine"] / max(1, tot["pics"]),
            tot["outside"] / tot["pages"], 100.0 * tot["claimed"] / max(1, tot["text"]), tot["pages"], tot["failed"]))
PY
