#!/usr/bin/env python3
"""Draws the program icon: a film strip framing a large yellow "Z" on blue.

The design below is the single source for every file this script writes,
next to itself:
  zarovia.svg      the scalable icon
  zarovia-32.png   32 x 32, at most 16 colours (paletted, one transparent entry)
  zarovia-64.png   64 x 64, full colour (About box emblem)
  zarovia-256.png  256 x 256, full colour (desktops)
  zarovia.ico      16, 32, 48 and 256 px images in one file

Every raster is drawn from the shapes at 16 times (or more) its size and
reduced by area averaging, so edges on the 32-unit grid stay sharp.
Needs Python 3 and Pillow.

    python3 make_icon.py
"""

import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
GRID = 32                       # design units: the 32 px icon maps one unit to one pixel

# Colours; a pair is a top-to-bottom gradient.
FILM = "#141414"
HOLE = "#d4d4d4"
SKY = ("#2f6bf0", "#0a2784")
LETTER = ("#fff27a", "#f2b400")
LETTER_SHADOW = "#04103a"

# The letter Z, drawn as one outline: a top bar, a bottom bar and the diagonal.
Z_OUTLINE = [(8, 8), (24, 8), (24, 11), (13, 21), (24, 21), (24, 24),
             (8, 24), (8, 21), (19, 11), (8, 11)]


def design():
    """The icon as a back-to-front list of shapes in design units."""
    shapes = [("rect", (1, 2, 30, 28), 1.5, FILM)]           # film strip
    for i in range(7):                                         # sprocket holes
        shapes.append(("rect", (3 + 4 * i, 3, 2, 2), 0.4, HOLE))
        shapes.append(("rect", (3 + 4 * i, 27, 2, 2), 0.4, HOLE))
    shapes.append(("rect", (3, 6, 26, 20), 0, SKY))            # the picture
    shifted = [(x + 1, y + 1) for x, y in Z_OUTLINE]
    shapes.append(("poly", shifted, 0, LETTER_SHADOW))         # drop shadow
    shapes.append(("poly", Z_OUTLINE, 0, LETTER))
    return shapes


# ---------------------------------------------------------------- SVG

def write_svg(path):
    defs = []
    body = []
    gradients = {}

    def paint(fill):
        if isinstance(fill, str):
            return fill
        if fill not in gradients:
            gid = "g%d" % len(gradients)
            gradients[fill] = gid
            defs.append(
                f'    <linearGradient id="{gid}" x1="0" y1="0" x2="0" y2="1">\n'
                f'      <stop offset="0" stop-color="{fill[0]}"/>\n'
                f'      <stop offset="1" stop-color="{fill[1]}"/>\n'
                f'    </linearGradient>')
        return f"url(#{gradients[fill]})"

    def num(v):
        return ("%g" % v)

    for kind, geom, radius, fill in design():
        if kind == "rect":
            x, y, w, h = geom
            rx = f' rx="{num(radius)}"' if radius else ""
            body.append(f'  <rect x="{num(x)}" y="{num(y)}" width="{num(w)}" height="{num(h)}"'
                        f'{rx} fill="{paint(fill)}"/>')
        else:
            pts = " ".join(f"{num(x)},{num(y)}" for x, y in geom)
            body.append(f'  <polygon points="{pts}" fill="{paint(fill)}"/>')

    text = ['<?xml version="1.0" encoding="UTF-8"?>',
            '<!-- Program icon: a film strip framing a yellow Z on blue. Written by make_icon.py. -->',
            f'<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            f'viewBox="0 0 {GRID} {GRID}">']
    if defs:
        text += ["  <defs>"] + defs + ["  </defs>"]
    text += body + ["</svg>", ""]
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(text))


# ---------------------------------------------------------------- raster

def hex_rgb(colour):
    return tuple(int(colour[i:i + 2], 16) for i in (1, 3, 5))


def gradient(size, top, bottom, y0, y1):
    """A vertical ramp from top (at row y0) to bottom (at row y1)."""
    w, h = size
    ramp = Image.new("RGB", (1, h))
    a, b = hex_rgb(top), hex_rgb(bottom)
    for y in range(h):
        t = min(1.0, max(0.0, (y + 0.5 - y0) / max(1.0, y1 - y0)))
        ramp.putpixel((0, y), tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3)))
    return ramp.resize((w, h))


def render(size):
    """The design drawn at size x size pixels, RGBA."""
    ss = max(4, 512 // size)              # supersampling factor
    big = size * ss
    k = big / GRID
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    for kind, geom, radius, fill in design():
        mask = Image.new("L", (big, big), 0)
        draw = ImageDraw.Draw(mask)
        if kind == "rect":
            x, y, w, h = geom
            box = [round(x * k), round(y * k), round((x + w) * k) - 1, round((y + h) * k) - 1]
            if radius:
                draw.rounded_rectangle(box, radius=radius * k, fill=255)
            else:
                draw.rectangle(box, fill=255)
            y_top, y_bottom = y * k, (y + h) * k
        else:
            draw.polygon([(px * k, py * k) for px, py in geom], fill=255)
            y_top = min(py for _, py in geom) * k
            y_bottom = max(py for _, py in geom) * k
        if isinstance(fill, str):
            paint = Image.new("RGBA", (big, big), hex_rgb(fill) + (255,))
        else:
            paint = gradient((big, big), fill[0], fill[1], y_top, y_bottom).convert("RGBA")
        layer = Image.new("RGBA", (big, big), (0, 0, 0, 0))
        layer.paste(paint, (0, 0), mask)
        img.alpha_composite(layer)
    return img.resize((size, size), Image.BOX)


def sixteen_colours(img):
    """Paletted copy with 15 opaque colours plus one fully transparent entry."""
    alpha = img.getchannel("A")
    # Semi-transparent rim pixels (the rounded corners) become opaque or clear.
    solid = Image.new("RGB", img.size, hex_rgb(FILM))
    solid.paste(img.convert("RGB"), (0, 0), alpha)
    pal = solid.quantize(colors=15, method=Image.MEDIANCUT, dither=Image.NONE)
    palette = pal.getpalette()[:15 * 3]
    palette += [0, 0, 0] * (15 - len(palette) // 3)      # pad to 15 opaque entries
    palette += [0, 0, 0]                                 # entry 15: transparent
    pal.putpalette(palette)
    px = pal.load()
    a = alpha.load()
    for y in range(img.height):
        for x in range(img.width):
            if a[x, y] < 128:
                px[x, y] = 15
    return pal


def main():
    write_svg(os.path.join(HERE, "zarovia.svg"))
    renders = {n: render(n) for n in (16, 32, 48, 64, 256)}
    pal = sixteen_colours(renders[32])
    pal.save(os.path.join(HERE, "zarovia-32.png"), transparency=15, bits=4)
    renders[64].save(os.path.join(HERE, "zarovia-64.png"), optimize=True)
    renders[256].save(os.path.join(HERE, "zarovia-256.png"), optimize=True)
    renders[256].save(os.path.join(HERE, "zarovia.ico"),
                      sizes=[(16, 16), (32, 32), (48, 48), (256, 256)],
                      append_images=[renders[16], renders[32], renders[48]])


if __name__ == "__main__":
    main()
