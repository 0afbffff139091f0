#!/usr/bin/env python3
"""Draws the bundled sample page and its ground truth.

    make_sample_page.py OUTDIR

Writes OUTDIR/sample-page.png (a 24-bit colour letter page at 150 dpi: a
title, paragraphs of text, a photo-like picture, a bar chart, a ruled table and
a page number) and OUTDIR/sample-page.truth.json (the picture rectangles,
inclusive pixel edges, and the text body). Deterministic: the same bytes on
every run. Needs python3-pil and fonts-dejavu-core.
"""
import json
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

W, H, DPI = 1275, 1650, 150
SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

PARAGRAPHS = [
    "Scanned pages rarely hold text alone. Photographs, charts and drawings "
    "sit between the paragraphs, and an OCR engine that reads the words must "
    "still hand the pictures on to the layout that follows it.",
    "This page is a test sheet. Its text is set in a plain serif face so that "
    "the recogniser reads it well, while the picture, the chart and the ruled "
    "table beside it give the restoration pass something to find.",
    "The table below lists the measurements of the last quarter. Its rules "
    "are thin lines that belong to the table, not to any picture on the page.",
]
TABLE = [["Month", "Pages", "Pictures", "Tables"],
         ["April", "1240", "316", "88"],
         ["May", "1315", "342", "91"],
         ["June", "1198", "301", "79"]]


def wrap(draw, text, font, width):
    lines, line = [], ""
    for word in text.split():
        trial = (line + " " + word).strip()
        if draw.textlength(trial, font=font) <= width:
            line = trial
        else:
            lines.append(line)
            line = word
    lines.append(line)
    return lines


TEXT_BLOCKS = []


def paragraph(draw, text, font, x, y, width, leading):
    top, right = y, x
    for line in wrap(draw, text, font, width):
        draw.text((x, y), line, fill=(20, 20, 20), font=font)
        right = max(right, x + int(draw.textlength(line, font=font)))
        y += leading
    TEXT_BLOCKS.append({"left": x, "top": top, "right": right, "bottom": y - 1})
    return y + leading // 2


def photo(img, box):
    """A smooth landscape: sky gradient, sun, two hills, a lake."""
    left, top, right, bottom = box
    w, h = right - left + 1, bottom - top + 1
    pix = img.load()
    for y in range(h):
        for x in range(w):
            t = y / h
            r, g, b = int(90 + 120 * t), int(140 + 80 * t), int(230 - 40 * t)
            d = math.hypot(x - 0.72 * w, y - 0.28 * h)
            if d < 0.11 * w:
                r, g, b = 250, 215, 90
            elif d < 0.16 * w:
                k = (d - 0.11 * w) / (0.05 * w)
                r, g, b = int(250 * (1 - k) + r * k), int(215 * (1 - k) + g * k), int(90 * (1 - k) + b * k)
            hill1 = 0.62 * h + 0.12 * h * math.sin(x / w * 5.0)
            hill2 = 0.72 * h + 0.08 * h * math.cos(x / w * 7.0 + 1.0)
            if y > hill1:
                r, g, b = int(60 + 40 * t), int(120 + 30 * math.sin(x / 9.0)), 60
            if y > hill2:
                r, g, b = 40, int(95 + 20 * math.cos(y / 7.0)), 45
            if y > 0.86 * h and 0.15 * w < x < 0.65 * w:
                r, g, b = 70, 110, int(170 + 30 * math.sin(x / 5.0 + y / 3.0))
            pix[left + x, top + y] = (r, g, b)


def chart(draw, box, font):
    left, top, right, bottom = box
    draw.rectangle(box, outline=(30, 30, 30), width=2)
    ox, oy = left + 60, bottom - 50
    draw.line((ox, top + 30, ox, oy), fill=(0, 0, 0), width=3)
    draw.line((ox, oy, right - 25, oy), fill=(0, 0, 0), width=3)
    values = [0.45, 0.8, 0.62, 0.95, 0.35, 0.7]
    colours = [(200, 60, 50), (60, 120, 200), (80, 170, 90), (230, 160, 40), (140, 80, 170), (60, 170, 180)]
    step = (right - 25 - ox) / len(values)
    for i, v in enumerate(values):
        x0 = ox + i * step + 10
        draw.rectangle((x0, oy - v * (oy - top - 50), x0 + step - 20, oy - 2), fill=colours[i])
    for k in range(1, 5):
        y = oy - k * (oy - top - 50) / 4
        draw.line((ox - 8, y, ox, y), fill=(0, 0, 0), width=2)


def table(draw, box, font):
    left, top, right, bottom = box
    rows, cols = len(TABLE), len(TABLE[0])
    cw, rh = (right - left) / cols, (bottom - top) / rows
    for r in range(rows + 1):
        draw.line((left, top + r * rh, right, top + r * rh), fill=(0, 0, 0), width=2)
    for c in range(cols + 1):
        draw.line((left + c * cw, top, left + c * cw, bottom), fill=(0, 0, 0), width=2)
    for r, row in enumerate(TABLE):
        for c, text in enumerate(row):
            draw.text((left + c * cw + 14, top + r * rh + 10), text, fill=(10, 10, 10), font=font)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    img = Image.new("RGB", (W, H), (255, 255, 255))
    draw = ImageDraw.Draw(img)
    body = ImageFont.truetype(SERIF, 25)
    title = ImageFont.truetype(SANS_BOLD, 40)
    small = ImageFont.truetype(SANS, 24)
    margin, width, leading = 120, W - 240, 36

    draw.text((margin, 110), "Quarterly Report on Page Layout", fill=(0, 0, 0), font=title)
    y = paragraph(draw, PARAGRAPHS[0], body, margin, 190, width, leading)
    y = paragraph(draw, PARAGRAPHS[1], body, margin, y, width, leading)
    photo_box = (margin, y + 20, margin + 479, y + 20 + 339)
    chart_box = (W - margin - 439, y + 20, W - margin - 1, y + 20 + 339)
    photo(img, photo_box)
    chart(draw, chart_box, small)
    y = photo_box[3] + 50
    y = paragraph(draw, PARAGRAPHS[2], body, margin, y, width, leading)
    table_box = (margin, y + 10, W - margin, y + 10 + 4 * 52)
    table(draw, table_box, small)
    y = table_box[3] + 50
    y = paragraph(draw, PARAGRAPHS[0], body, margin, y, width, leading)
    draw.text((W // 2 - 8, H - 90), "7", fill=(0, 0, 0), font=small)

    os.makedirs(out, exist_ok=True)
    img.save(os.path.join(out, "sample-page.png"), dpi=(DPI, DPI), optimize=True)
    truth = {
        "image": "sample-page.png",
        "width": W, "height": H, "dpi": DPI,
        "pictures": [
            {"kind": "photo", "left": photo_box[0], "top": photo_box[1], "right": photo_box[2], "bottom": photo_box[3]},
            {"kind": "chart", "left": chart_box[0], "top": chart_box[1], "right": chart_box[2], "bottom": chart_box[3]},
        ],
        "table": {"left": table_box[0], "top": table_box[1], "right": table_box[2], "bottom": table_box[3]},
        "text_blocks": TEXT_BLOCKS,
    }
    with open(os.path.join(out, "sample-page.truth.json"), "w") as f:
        json.dump(truth, f, indent=2)
        f.write("\n")


if __name__ == "__main__":
    main()
