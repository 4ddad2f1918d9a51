#!/usr/bin/env python3
"""Draws the start-up pictures: snow-covered mountains above a sea of cloud.

Writes, next to this script:
  backdrop.jpg  the scene alone (shown behind media that has no picture)
  title.jpg     the same scene with the product name in red brush lettering

Everything is generated from a fixed random seed, so running the script again
gives byte-identical files. Needs Python 3 and Pillow; the lettering uses the
brush font found by `fc-match AoyagiKouzanFontT:file` (or the path given with
--font).

    python3 make_pictures.py [--font FILE]
"""

import argparse
import math
import os
import random
import subprocess

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont, ImageOps

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 640, 506
SEED = 1907
NAME = "Zarovia"
NAME_Y = 212             # vertical centre of the lettering

# Where the sea of cloud meets the mountains, and the sky colours above it.
CLOUD_TOP = 318
SKY_TOP = (22, 62, 142)
SKY_HORIZON = (178, 206, 236)
HAZE = (196, 214, 238)


# ---------------------------------------------------------------- helpers

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    """Linear blend of two RGB tuples (floats), t=0 gives a."""
    return (a[0] + (b[0] - a[0]) * t,
            a[1] + (b[1] - a[1]) * t,
            a[2] + (b[2] - a[2]) * t)


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def value_noise(rng, w, h, cells_x, cells_y):
    """Smooth random field: a small grid of random bytes enlarged bicubically."""
    gx, gy = cells_x + 3, cells_y + 3
    small = Image.frombytes("L", (gx, gy), rng.randbytes(gx * gy))
    # Enlarge with a cell of margin on every side, then cut the margin off, so
    # the edges do not show the clamped border of the grid.
    cw, ch = w / cells_x, h / cells_y
    big = small.resize((round(gx * cw), round(gy * ch)), Image.BICUBIC)
    left, top = round(1.5 * cw), round(1.5 * ch)
    return big.crop((left, top, left + w, top + h))


def fbm(rng, w, h, cells_x, cells_y, octaves, gain=0.5):
    """Fractal noise: octaves of value noise, each twice as fine and weighted
    by gain, averaged, then stretched to the full 0..255 range."""
    acc = None
    total = 0.0
    weight = 1.0
    for i in range(octaves):
        layer = value_noise(rng, w, h, cells_x << i, cells_y << i)
        total += weight
        acc = layer if acc is None else Image.blend(acc, layer, weight / total)
        weight *= gain
    return ImageOps.autocontrast(acc, cutoff=0.5)


def fbm_1d(rng, n, octaves, roughness=0.55):
    """Fractal line of n values in about -1..1 (midpoint displacement)."""
    size = 1
    while size < n:
        size *= 2
    pts = [0.0] * (size + 1)
    pts[0] = rng.uniform(-1, 1)
    pts[size] = rng.uniform(-1, 1)
    step, amp = size, 1.0
    level = 0
    while step > 1:
        half = step // 2
        a = amp if level < octaves else 0.0
        for i in range(half, size, step):
            pts[i] = (pts[i - half] + pts[i + half]) / 2 + rng.uniform(-a, a)
        step = half
        amp *= roughness
        level += 1
    return pts[:n]


def smooth_1d(vals, radius):
    """Box-average a list with the given radius (edges clamped)."""
    n = len(vals)
    prefix = [0.0]
    for v in vals:
        prefix.append(prefix[-1] + v)
    out = []
    for i in range(n):
        a = max(0, i - radius)
        b = min(n, i + radius + 1)
        out.append((prefix[b] - prefix[a]) / (b - a))
    return out


# ---------------------------------------------------------------- sky

def draw_sky(rng):
    """Deep blue at the top fading to pale haze at the horizon, with faint cirrus."""
    col = Image.new("RGB", (1, H))
    px = col.load()
    for y in range(H):
        t = clamp(y / CLOUD_TOP) ** 1.8
        c = mix(SKY_TOP, SKY_HORIZON, t)
        px[0, y] = tuple(round(v) for v in c)
    sky = col.resize((W, H), Image.BILINEAR)

    # Thin high cloud: noise stretched sideways, kept only where it is strong.
    streaks = fbm(rng, W, H, 3, 18, 5)
    streaks = streaks.point(lambda v: max(0, v - 150) * 2)
    fade = Image.linear_gradient("L").resize((W, H)).point(
        lambda v: round(255 * smoothstep(30, 140, v) * (1 - smoothstep(170, 230, v))))
    streaks = ImageChops.multiply(streaks, fade).filter(ImageFilter.GaussianBlur(1.2))
    white = Image.new("RGB", (W, H), (236, 242, 252))
    sky = Image.composite(white, sky, streaks.point(lambda v: v * 45 // 100))

    # Faint mottling of the air and sensor noise, as in a real photograph's sky.
    mottle = fbm(rng, W, H, 200, 160, 2, 0.8).point(lambda v: 128 + (v - 128) * 4 // 128)
    return ImageChops.add(sky, Image.merge("RGB", (mottle,) * 3), 1.0, -128)


# ---------------------------------------------------------------- mountains

def ridge_profile(rng, peaks, base, rough_amp):
    """Top edge (y per column) of a range: concave-sided peaks, broken up by
    fractal wobble that grows with the height of the rock above the base."""
    wobble = fbm_1d(rng, W, 9, 0.6)
    fine = fbm_1d(rng, W, 8, 0.72)
    prof = []
    for x in range(W):
        lift = 0.0
        for cx, height, half_width, skew in peaks:
            d = (x - cx) / half_width
            d = d * (1 + skew) if d > 0 else d * (1 - skew)
            lift = max(lift, height * max(0.0, 1 - abs(d)) ** 1.6)
        # Folding the fine wobble about zero gives sharp summits and rounded notches.
        crags = 1 - abs(fine[x])
        prof.append(base - lift * (1 + 0.15 * wobble[x]) - rough_amp * (0.5 * wobble[x] + 1.1 * crags))
    return prof


def draw_range(rng, prof, bottom, snow_line, haze, detail):
    """Shade one mountain range into an RGBA layer.

    The sun is on the left. Each pixel's light comes from the slope of the
    ridge above it, smoothed more the further down the face it sits, so spurs
    widen downwards; upright ribs add light and shade across the faces, and
    bare rock shows on steep rib crests, in streaks and below the snow line.
    """
    # Ridge slope at several smoothing widths (index grows with depth below the ridge).
    radii = [1, 2, 4, 7, 12, 20, 34, 56]
    slopes = []
    for r in radii:
        s = smooth_1d(prof, r)
        slopes.append([(s[min(W - 1, x + 1)] - s[max(0, x - 1)]) / 2 for x in range(W)])

    wander = fbm(rng, W, H, 10, 10, 4).load()             # sideways drift of spurs
    ribs = fbm(rng, W, H, 56, 7, 5, 0.55).load()          # ribs and couloirs down the faces
    gullies = fbm(rng, W, H, 48, 9, 4, 0.6).load()        # streaks of bare rock
    patches = fbm(rng, W, H, 16, 14, 5).load()            # ragged snow line
    grit = fbm(rng, W, H, 110, 90, 3, 0.7).load()         # fine rock texture

    snow_lit = (255, 251, 244)
    snow_shade = (112, 126, 166)
    snow_deep = (66, 78, 116)
    rock_lit = (100, 92, 88)
    rock_shade = (28, 32, 46)

    # Transparent pixels carry the haze colour so the final softening blur
    # does not pull a dark fringe into the skyline.
    layer = Image.new("RGBA", (W, H), HAZE + (0,))
    out = layer.load()
    for x in range(W):
        top = prof[x]
        y0 = max(0, int(math.floor(top)))
        for y in range(y0, bottom):
            d = y - top
            if d < -1:
                continue
            cover = clamp(d + 1.0)                         # anti-aliased ridge line
            # Slope lookup along a wandering path down the face.
            k = math.log2(1 + max(d, 0) / 5)
            i0 = min(len(radii) - 1, int(k))
            i1 = min(len(radii) - 1, i0 + 1)
            f = k - int(k) if i0 < len(radii) - 1 else 0.0
            xs = int(clamp(x + (wander[x, y] - 128) / 128 * d * 0.35, 2, W - 3))
            slope = slopes[i0][xs] * (1 - f) + slopes[i1][xs] * f
            steep = abs(slope)
            # Ribs tilt the surface sideways: their sunward flanks catch the light.
            cornice = smoothstep(2, 30, d)                  # the crest itself is smooth
            xr = int(clamp(x + (wander[x, y] - 128) / 128 * d * 0.1, 2, W - 3))
            rib = (ribs[xr, y] - 128) / 128
            bump = (ribs[xr - 2, y] - ribs[xr + 2, y]) / 512 * 2.0 * detail * (0.3 + 0.7 * cornice)
            face = smoothstep(-0.45, 0.45, -slope)          # faces rising to the right are lit
            n = (grit[x, y] - 128) / 128

            # Bare rock on the crests of steep ribs and in streaks, more of it low down.
            g = (gullies[x, y] - 128) / 128
            p = (patches[x, y] - 128) / 128
            exposure = (rib * 0.9 + n * 0.35 + max(0.0, g) * 0.4 + steep * 0.3 - 0.62
                        + max(0.0, (y - snow_line) / 60) + p * 0.15)
            bare = smoothstep(-0.03, 0.07, exposure) * cornice

            t = clamp(0.06 + 0.86 * face + bump + n * 0.05 * detail)
            if t < 0.35:
                sn = mix(snow_deep, snow_shade, t / 0.35)
            else:
                sn = mix(snow_shade, snow_lit, (t - 0.35) / 0.65)
            rock = mix(rock_shade, rock_lit, clamp(face * 0.75 + bump + n * 0.35 * detail + 0.08))
            c = mix(sn, rock, bare)

            # Air between viewer and range: more of it for distant ranges and low down.
            h = clamp(haze + 0.25 * smoothstep(CLOUD_TOP - 90, CLOUD_TOP + 10, y))
            c = mix(c, HAZE, h)
            out[x, y] = (round(clamp(c[0], 0, 255)), round(clamp(c[1], 0, 255)),
                         round(clamp(c[2], 0, 255)), round(255 * cover))
    return layer.filter(ImageFilter.GaussianBlur(0.55))


def draw_mountains(img):
    """Three ranges, far to near, each with its own random stream."""
    ranges = [
        # Far range: low and pale, mostly lost in haze.
        dict(peaks=[(70, 60, 120, 0.2), (250, 45, 110, -0.1), (560, 70, 140, 0.1)],
             base=CLOUD_TOP - 20, rough=14, seed=10, snow_line=290, haze=0.55, detail=0.5),
        # Main massif: a tall summit left of centre and a long shoulder to the right.
        dict(peaks=[(250, 205, 190, 0.25), (395, 150, 120, -0.2), (505, 120, 150, 0.0),
                    (100, 95, 130, 0.1)],
             base=CLOUD_TOP + 10, rough=30, seed=11, snow_line=290, haze=0.12, detail=1.0),
        # Nearer, lower peaks at both edges, barely above the cloud.
        dict(peaks=[(600, 95, 150, -0.3), (20, 55, 90, 0.0)],
             base=CLOUD_TOP + 25, rough=22, seed=12, snow_line=290, haze=0.05, detail=1.0),
    ]
    for r in ranges:
        rng = random.Random(SEED + r["seed"])
        prof = ridge_profile(rng, r["peaks"], r["base"], r["rough"])
        layer = draw_range(rng, prof, min(H, CLOUD_TOP + 40), r["snow_line"],
                           r["haze"], r["detail"])
        img.alpha_composite(layer)


# ---------------------------------------------------------------- cloud sea

def puff_sprite(rng, size=128):
    """One cloud billow: a dome lit from the upper left, with a frayed edge."""
    fray = fbm(rng, size, size, 5, 5, 4).load()
    grain = fbm(rng, size, size, 14, 14, 3, 0.7).load()
    light = (-0.62, -0.58, 0.53)
    lit = (255, 252, 246)
    shade = (100, 116, 162)
    sprite = Image.new("RGBA", (size, size))
    px = sprite.load()
    c = (size - 1) / 2
    for y in range(size):
        for x in range(size):
            nx, ny = (x - c) / c, (y - c) / c
            r2 = nx * nx + ny * ny
            edge = r2 + (fray[x, y] - 128) / 128 * 0.45
            alpha = (1 - smoothstep(0.45, 1.0, edge)) * (1 - smoothstep(0.8, 1.0, r2))
            if alpha <= 0:
                continue
            nz = math.sqrt(max(0.0, 1 - min(r2, 1.0)))
            lam = clamp(nx * light[0] + ny * light[1] + nz * light[2])
            t = clamp(0.1 + 0.95 * lam ** 0.9 + (grain[x, y] - 128) / 128 * 0.12)
            col = mix(shade, lit, t)
            px[x, y] = (round(col[0]), round(col[1]), round(col[2]), round(255 * alpha))
    return sprite


def draw_cloud_sea(rng, img):
    """Rows of billows from the far edge to the bottom, growing with nearness,
    laid back to front over a shadowed cloud floor, hazier in the distance."""
    sprites = [puff_sprite(rng) for _ in range(6)]
    layer = Image.new("RGBA", (W, H), (0, 0, 0, 0))

    # Cloud floor seen between the billows: their shadowed depths.
    floor = Image.new("RGBA", (1, H), (0, 0, 0, 0))
    fp = floor.load()
    for y in range(H):
        a = smoothstep(CLOUD_TOP + 4, CLOUD_TOP + 20, y)
        col = mix((184, 196, 222), (132, 146, 186), smoothstep(CLOUD_TOP, H, y))
        fp[0, y] = (round(col[0]), round(col[1]), round(col[2]), round(255 * a))
    layer.alpha_composite(floor.resize((W, H)))

    swell = smooth_1d(fbm_1d(rng, W, 6, 0.5), 25)      # slow rise and fall of the far edge
    y = CLOUD_TOP - 8.0
    while True:
        r = 4 + (y - (CLOUD_TOP - 12)) * 0.45          # billow radius at this depth
        if y - r * 0.5 > H:
            break
        haze = 0.75 * (1 - smoothstep(CLOUD_TOP - 10, CLOUD_TOP + 110, y))
        x = -r * rng.uniform(0, 1)
        far = 1 - smoothstep(CLOUD_TOP, CLOUD_TOP + 90, y)
        while x < W + r:
            size = r * rng.uniform(0.75, 1.35)
            # Now and then a taller tower rises out of the far rows.
            if y < CLOUD_TOP + 40 and rng.random() < 0.12:
                size *= rng.uniform(1.6, 2.6)
            w = max(2, round(2 * size))
            h = max(2, round(2 * size * 0.66))
            puff = rng.choice(sprites).resize((w, h), Image.BICUBIC)
            if haze > 0.01:
                rgb = Image.blend(puff.convert("RGB"), Image.new("RGB", (w, h), HAZE), haze)
                rgb.putalpha(puff.getchannel("A"))
                puff = rgb
            py = y + rng.uniform(-0.25, 0.25) * r - far * 14 * swell[int(clamp(x, 0, W - 1))]
            layer.alpha_composite(puff, (round(x - w / 2), round(py - h / 2)))
            x += r * rng.uniform(0.8, 1.3)
        y += max(1.0, r * 0.36)

    # Fine mottling so the billows read as vapour rather than as smooth shapes.
    mottle = fbm(rng, W, H, 60, 40, 3, 0.6).point(lambda v: 242 + (v - 128) * 11 // 128)
    rgb = ImageChops.multiply(layer.convert("RGB"), Image.merge("RGB", (mottle,) * 3))
    rgb.putalpha(layer.getchannel("A"))
    layer = rgb

    # A veil of mist rising off the cloud over the mountain feet.
    mist_noise = fbm(rng, W, H, 6, 3, 4)
    mist = Image.new("L", (1, H))
    mp = mist.load()
    for yy in range(H):
        mp[0, yy] = round(255 * smoothstep(CLOUD_TOP - 85, CLOUD_TOP + 5, yy) * 0.7)
    mist = ImageChops.multiply(mist.resize((W, H)), mist_noise.point(lambda v: min(255, v + 60)))
    img.alpha_composite(Image.merge("RGBA", (*Image.new("RGB", (W, H), (232, 238, 248)).split(), mist)))
    img.alpha_composite(layer)


# ---------------------------------------------------------------- finishing

def add_grain(rng, img, strength):
    """Film grain: a few levels of random noise, equal in the three channels."""
    raw = Image.frombytes("L", (W, H), rng.randbytes(W * H))
    grain = raw.point(lambda v: 128 + round((v - 128) * strength / 128))
    grain = Image.merge("RGB", (grain, grain, grain))
    return ImageChops.add(img, grain, 1.0, -128)


def find_font(path):
    """The brush font: the given file, else the one fontconfig knows by name."""
    if path:
        return path
    try:
        found = subprocess.run(["fc-match", "AoyagiKouzanFontT:file", "-f", "%{file}"],
                               capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        found = ""
    if not found or "oyagi" not in found:
        raise SystemExit("brush font AoyagiKouzanFontT not found; pass --font FILE")
    return found


def letter(img, font_path):
    """The product name in red brush lettering with a soft dark shadow.

    The font's Latin letters all share one advance width, so each letter is
    placed by its own inked extent to close up the gaps, and the word is leaned
    forward a little like a quick brush stroke."""
    size = 196
    gap = 6
    font = ImageFont.truetype(font_path, size)
    pad = size // 2
    cells = []
    for ch in NAME:
        cell = Image.new("L", (size * 2, size * 2), 0)
        ImageDraw.Draw(cell).text((pad, pad), ch, font=font, fill=255)
        box = cell.getbbox()
        cells.append((cell, box))
    width = sum(box[2] - box[0] for _, box in cells) + gap * (len(cells) - 1)
    top = min(box[1] for _, box in cells)
    bottom = max(box[3] for _, box in cells)

    ink = Image.new("L", (W, H), 0)
    x = (W - width) // 2
    y = NAME_Y - (bottom - top) // 2 - top
    for cell, box in cells:
        ink.paste(255, (x - box[0], y), cell)
        x += box[2] - box[0] + gap
    lean = 0.14                                     # shear about the word's centre line
    ink = ink.transform((W, H), Image.AFFINE, (1, lean, -lean * NAME_Y, 0, 1, 0), Image.BICUBIC)

    shadow = ink.point(lambda v: v * 60 // 100)
    shadow = ImageChops.offset(shadow, 5, 6).filter(ImageFilter.GaussianBlur(4))
    img.paste((24, 12, 24), (0, 0), shadow)

    # Slightly deeper red towards the bottom of the strokes, like wet ink.
    ramp = Image.new("L", (1, H))
    rp = ramp.load()
    for yy in range(H):
        rp[0, yy] = round(255 * smoothstep(y + top, y + bottom, yy))
    colour = Image.composite(Image.new("RGB", (W, H), (172, 6, 12)),
                             Image.new("RGB", (W, H), (228, 28, 22)), ramp.resize((W, H)))
    img.paste(colour, (0, 0), ink)


def save_jpeg(img, name):
    img.save(os.path.join(HERE, name), "JPEG", quality=85, subsampling=2,
             progressive=False, optimize=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--font", help="brush font file for the lettering")
    args = ap.parse_args()
    font_path = find_font(args.font)

    # Each layer has its own random stream, so retuning one leaves the others alone.
    scene = draw_sky(random.Random(SEED)).convert("RGBA")
    draw_mountains(scene)
    draw_cloud_sea(random.Random(SEED + 1), scene)
    scene = scene.convert("RGB")
    scene = add_grain(random.Random(SEED + 2), scene, 3)

    save_jpeg(scene, "backdrop.jpg")
    titled = scene.copy()
    letter(titled, font_path)
    save_jpeg(titled, "title.jpg")


if __name__ == "__main__":
    main()
