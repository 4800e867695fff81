#!/usr/bin/env python3
"""Writes the program's artwork as SVG documents and renders the encoder pictures to PNG.

Run once after changing a drawing; the SVG and PNG files it writes are committed,
so the build needs neither Python nor rsvg-convert:

    python3 app/art/make_art.py      (needs rsvg-convert from librsvg2-bin)

The user-interface SVGs are rendered at run time by the toolkit's small SVG
renderer, which knows no text: their lettering is drawn with strokes.
"""
import math
import pathlib
import subprocess

ART = pathlib.Path(__file__).resolve().parent
ROOT = ART.parent.parent
MODEL_SVG = ART / "models"
PICTURES = ROOT / "encoders" / "pictures"

MAGENTA = "#bd238f"
PINK = "#d987c4"
GREY = "#5d5d5d"
FAMILY = {"incremental": "#bd238f", "absolute": "#2f7fb5", "commutation": "#d9822b"}

# Stroke letters in a 10 x 14 box, as polylines (lists of points) or raw path data.
LETTERS = {
    "A": [[(0, 14), (5, 0), (10, 14)], [(2, 8.5), (8, 8.5)]],
    "B": ["M0 0 H6 A3.5 3.5 0 0 1 6 7 H0 Z M0 7 H6.5 A3.5 3.5 0 0 1 6.5 14 H0 Z"],
    "I": [[(5, 0), (5, 14)]],
    "N": [[(0, 14), (0, 0), (10, 14), (10, 0)]],
    "R": ["M0 14 V0 H6 A3.5 3.5 0 0 1 6 7 H0 M5 7 L10 14"],
    "T": [[(0, 0), (10, 0)], [(5, 0), (5, 14)]],
    "U": ["M0 0 V9 A5 5 0 0 0 10 9 V0"],
    "V": [[(0, 0), (5, 14), (10, 0)]],
    "W": [[(0, 0), (2.5, 14), (5, 4), (7.5, 14), (10, 0)]],
    "X": [[(0, 0), (10, 14)], [(10, 0), (0, 14)]],
}


def stroke_text(text, x, y, height, colour, width=2.0, gap=4):
    """Text drawn as strokes, top-left corner at (x, y)."""
    scale = height / 14
    parts = []
    for ch in text:
        if ch == " ":
            x += 6 * scale
            continue
        d = []
        for piece in LETTERS[ch]:
            if isinstance(piece, str):
                d.append(piece)
            else:
                d.append("M" + " L".join(f"{px:g} {py:g}" for px, py in piece))
        parts.append(
            f'<path transform="translate({x:.2f} {y:.2f}) scale({scale:.4f})" d="{" ".join(d)}" '
            f'fill="none" stroke="{colour}" stroke-width="{width / scale:.3f}" '
            f'stroke-linecap="round" stroke-linejoin="round"/>'
        )
        x += (10 + gap) * scale
    return "\n".join(parts)


def svg(w, h, body):
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n'
        f"{body}\n</svg>\n"
    )


def lobed_ring(cx, cy, radius, depth, lobes, points=64):
    pts = []
    for i in range(points):
        u = 2 * math.pi * i / points
        rho = radius + depth * math.cos(lobes * u)
        pts.append(f"{cx + rho * math.sin(u):.2f},{cy - rho * math.cos(u):.2f}")
    return "M" + " L".join(pts) + " Z"


# ---- encoder drawings -------------------------------------------------------------------------------

def encoder_body(accent, outline_only=False, connector=False, hollow=False):
    """An encoder seen from the front-left: flange, round housing, shaft and cable or connector."""
    if outline_only:
        fill_body = fill_flange = fill_cap = "none"
        stroke = f'stroke="{GREY}" stroke-width="2.5"'
        band = f'<path d="M30 74 H110" stroke="{GREY}" stroke-width="2" fill="none"/>'
        defs = ""
    else:
        fill_body, fill_flange, fill_cap = "url(#metal)", "url(#flange)", "#e9e9ee"
        stroke = 'stroke="#3a3a44" stroke-width="1.5"'
        band = f'<rect x="30" y="68" width="80" height="12" fill="{accent}"/>'
        defs = (
            '<defs>'
            '<linearGradient id="metal" x1="0" x2="1"><stop offset="0" stop-color="#8c8f99"/>'
            '<stop offset="0.35" stop-color="#e3e5ea"/><stop offset="1" stop-color="#6d707a"/></linearGradient>'
            '<linearGradient id="flange" x1="0" x2="1"><stop offset="0" stop-color="#55585f"/>'
            '<stop offset="0.4" stop-color="#b4b7bf"/><stop offset="1" stop-color="#45474d"/></linearGradient>'
            "</defs>"
        )
    parts = [defs]
    # flange under the housing
    parts.append(f'<path d="M18 104 H122 V112 A52 9 0 0 1 18 112 Z" fill="{fill_flange}" {stroke}/>')
    parts.append(f'<ellipse cx="70" cy="104" rx="52" ry="9" fill="{fill_flange}" {stroke}/>')
    # housing
    parts.append(f'<path d="M30 44 V100 A40 8 0 0 0 110 100 V44 Z" fill="{fill_body}" {stroke}/>')
    parts.append(band)
    parts.append(f'<ellipse cx="70" cy="44" rx="40" ry="8" fill="{fill_cap}" {stroke}/>')
    # shaft
    if hollow:
        parts.append(f'<ellipse cx="70" cy="44" rx="14" ry="3.2" fill="#2e2f35" {stroke}/>')
    else:
        parts.append(f'<path d="M64 16 V44 A6 1.6 0 0 0 76 44 V16 Z" fill="{fill_body}" {stroke}/>')
        parts.append(f'<ellipse cx="70" cy="16" rx="6" ry="1.6" fill="{fill_cap}" {stroke}/>')
        if not outline_only:
            parts.append('<path d="M66 18 H74 V22 H66 Z" fill="#9a9ca4"/>')
    # cable or connector on the right side (the placeholder shows the bare housing)
    if outline_only:
        pass
    elif connector:
        parts.append(f'<rect x="108" y="52" width="18" height="16" rx="2" fill="{fill_flange}" {stroke}/>')
        parts.append(f'<rect x="124" y="50" width="8" height="20" rx="2" fill="{fill_body}" {stroke}/>')
    else:
        colour = GREY if outline_only else "#26272c"
        parts.append(
            f'<path d="M110 58 C128 58 128 74 134 92" fill="none" stroke="{colour}" stroke-width="7" '
            'stroke-linecap="round"/>'
        )
        if not outline_only:
            parts.append('<rect x="106" y="53" width="9" height="11" rx="2" fill="#3b3c42"/>')
    return "\n".join(parts)


def model_picture(name, family, variant):
    accent = FAMILY[family]
    body = encoder_body(accent, connector=(variant == 2), hollow=(family == "commutation" and variant == 2))
    label = (
        f'<text x="70" y="96" font-family="DejaVu Sans" font-weight="bold" font-size="12" '
        f'text-anchor="middle" fill="#1e1e24">{name}</text>'
    )
    return svg(140, 140, body + "\n" + label)


# Model pictures of the selection dialog (also the first picture of each model's parts) and the
# second pictures of the models whose parts come in two looks.
MODELS = [
    ("RVX46", "incremental"), ("RVX48", "incremental"), ("RVX47", "incremental"),
    ("RVX63", "absolute"), ("RVX65", "absolute"), ("RVX62", "absolute"), ("RVX68", "absolute"),
    ("RVX64", "absolute"), ("RVX69", "absolute"), ("RVX84", "commutation"), ("RVX86", "commutation"),
]
VARIANTS = ["RVX46", "RVX47", "RVX65", "RVX68", "RVX62", "RVX84", "RVX86"]


# ---- user-interface drawings ------------------------------------------------------------------------

def placeholder():
    return svg(140, 140, encoder_body(GREY, outline_only=True))


def logo():
    ring = lobed_ring(22, 22, 15, 2.2, 8)
    body = (
        f'<circle cx="22" cy="22" r="20" fill="{MAGENTA}"/>\n'
        f'<path d="{ring}" fill="{PINK}"/>\n'
        f'<path d="{lobed_ring(22, 22, 10, 1.6, 5)}" fill="{MAGENTA}"/>\n'
        '<circle cx="22" cy="22" r="6" fill="#ffffff"/>\n'
        + stroke_text("RVX", 50, 6, 14, MAGENTA, 2.6, 3)
        + "\n"
        + stroke_text("VANTIX", 50, 25, 13, GREY, 2.2, 4)
    )
    return svg(180, 44, body)


def icon():
    body = (
        f'<rect x="2" y="2" width="60" height="60" rx="12" fill="#ffffff" stroke="{MAGENTA}" stroke-width="3"/>\n'
        f'<circle cx="32" cy="32" r="24" fill="{MAGENTA}"/>\n'
        f'<path d="{lobed_ring(32, 32, 18, 2.5, 8)}" fill="{PINK}"/>\n'
        f'<path d="{lobed_ring(32, 32, 13, 2, 5)}" fill="{MAGENTA}"/>\n'
        '<circle cx="32" cy="32" r="8" fill="#ffffff"/>\n'
        '<circle cx="32" cy="13" r="2.5" fill="#ffffff"/>'
    )
    return svg(64, 64, body)


def link_icon(kind):
    c, s = MAGENTA, 'stroke-linecap="round" stroke-linejoin="round"'
    shapes = {
        "datasheet": f'<path d="M10 4 H25 L32 11 V36 H10 Z" fill="#fff" stroke="{c}" stroke-width="2.5" {s}/>'
        f'<path d="M25 4 V11 H32" fill="none" stroke="{c}" stroke-width="2" {s}/>'
        f'<path d="M15 17 H27 M15 22 H27 M15 27 H27 M15 32 H22" stroke="{GREY}" stroke-width="2" {s}/>',
        "home": f'<path d="M5 20 L20 6 L35 20" fill="none" stroke="{c}" stroke-width="3" {s}/>'
        f'<path d="M10 17 V35 H30 V17" fill="#fff" stroke="{c}" stroke-width="2.5" {s}/>'
        f'<rect x="17" y="24" width="7" height="11" fill="{GREY}"/>',
        "guide": f'<path d="M20 9 C14 5 8 5 4 7 V34 C8 32 14 32 20 35 C26 32 32 32 36 34 V7 C32 5 26 5 20 9 Z" '
        f'fill="#fff" stroke="{c}" stroke-width="2.5" {s}/>'
        f'<path d="M20 9 V35" stroke="{c}" stroke-width="2"/>'
        f'<path d="M8 14 H16 M8 19 H16 M24 14 H32 M24 19 H32" stroke="{GREY}" stroke-width="1.8" {s}/>',
        "assembly": f'<path d="M9 31 L22 18" stroke="{GREY}" stroke-width="5" {s}/>'
        f'<path d="M21 19 A8 8 0 1 1 31 14 L26 15 L25 10 L29 6 A8 8 0 0 0 21 19 Z" fill="{c}" '
        f'stroke="{c}" stroke-width="2" {s}/>'
        f'<circle cx="20" cy="20" r="15" fill="none" stroke="{c}" stroke-width="1.5" stroke-dasharray="3 3"/>',
        "blog": f'<path d="M5 8 H35 V27 H17 L9 34 V27 H5 Z" fill="#fff" stroke="{c}" stroke-width="2.5" {s}/>'
        f'<path d="M11 15 H29 M11 21 H24" stroke="{GREY}" stroke-width="2" {s}/>',
        "library": f'<rect x="5" y="8" width="7" height="27" fill="{c}"/>'
        f'<rect x="14" y="5" width="7" height="30" fill="{PINK}"/>'
        f'<path d="M23 10 L29 8.5 L35.5 33 L29.5 34.5 Z" fill="{GREY}"/>'
        f'<path d="M3 36 H37" stroke="{GREY}" stroke-width="2.5" {s}/>',
        "support": f'<circle cx="20" cy="20" r="15" fill="#fff" stroke="{c}" stroke-width="2.5"/>'
        f'<path d="M15 15 A5 5 0 1 1 20 21 V24" fill="none" stroke="{GREY}" stroke-width="3" {s}/>'
        f'<circle cx="20" cy="29.5" r="2" fill="{GREY}"/>',
    }
    return svg(40, 40, shapes[kind])


def message_icon(kind):
    """The icons of the program's message boxes, 48 x 48: the toolkit's theme may have none."""
    s = 'stroke-linecap="round" stroke-linejoin="round" fill="none"'
    shapes = {
        "error": '<circle cx="24" cy="24" r="20" fill="#c62828"/>'
        f'<path d="M16 16 L32 32 M32 16 L16 32" stroke="#fff" stroke-width="4.5" {s}/>',
        "warning": '<path d="M24 4 L45 42 H3 Z" fill="#e8a317" stroke="#e8a317" stroke-width="3" '
        'stroke-linejoin="round"/>'
        f'<path d="M24 16 V29" stroke="#fff" stroke-width="4.5" {s}/><circle cx="24" cy="36" r="2.8" fill="#fff"/>',
        "question": f'<circle cx="24" cy="24" r="20" fill="{MAGENTA}"/>'
        f'<path d="M17.5 18 A6.5 6.5 0 1 1 24 25 V28.5" stroke="#fff" stroke-width="4.5" {s}/>'
        '<circle cx="24" cy="35.5" r="2.8" fill="#fff"/>',
        "information": '<circle cx="24" cy="24" r="20" fill="#2f7fb5"/>'
        f'<circle cx="24" cy="14" r="3" fill="#fff"/><path d="M24 21 V35" stroke="#fff" stroke-width="4.5" {s}/>',
    }
    return svg(48, 48, shapes[kind])


def wave(points, colour):
    return (
        '<path d="M' + " L".join(f"{x:g} {y:g}" for x, y in points) + f'" fill="none" stroke="{colour}" '
        'stroke-width="2" stroke-linejoin="round"/>'
    )


def square_wave(y_top, y_bottom, x0, x1, period, offset, high_fraction=0.5):
    """Points of a square wave starting at x0, high for the given fraction of each period."""
    pts = []
    x = x0
    t = offset % period
    level = y_top if t < period * high_fraction else y_bottom
    pts.append((x, level))
    while x < x1:
        t = (x - x0 + offset) % period
        edge = period * high_fraction if t < period * high_fraction else period
        step = min(edge - t, x1 - x)
        x += step
        pts.append((x, level))
        if x < x1:
            level = y_bottom if level == y_top else y_top
            pts.append((x, level))
    return pts


def quadrature_diagram():
    x0, x1, period = 26, 204, 48
    body = [f'<rect width="210" height="98" fill="#ffffff"/>']
    # A and B a quarter period apart; index one quarter period wide, where A and B are both high.
    body.append(wave(square_wave(8, 26, x0, x1, period, 0), MAGENTA))
    body.append(wave(square_wave(38, 56, x0, x1, period, -period / 4), MAGENTA))
    start = x0 + period + period / 4
    body.append(wave([(x0, 86), (start, 86), (start, 68), (start + period / 4, 68),
                      (start + period / 4, 86), (x1, 86)], GREY))
    body.append(stroke_text("A", 6, 10, 14, GREY, 1.8))
    body.append(stroke_text("B", 6, 40, 14, GREY, 1.8))
    body.append(stroke_text("I", 4, 70, 14, GREY, 1.8))
    # dashed guides at the edges of one cycle
    for x in (x0 + period, x0 + 2 * period):
        body.append(f'<path d="M{x} 4 V94" stroke="#a6a6a6" stroke-width="0.8" stroke-dasharray="2 2"/>')
    return svg(210, 98, "\n".join(body))


def commutation_diagram():
    x0, x1, period = 26, 204, 90
    body = [f'<rect width="210" height="98" fill="#ffffff"/>']
    # Three half-period-high signals, each a third of a period after the one before.
    for row, (name, shift) in enumerate((("U", 0), ("V", -period / 3), ("W", -2 * period / 3))):
        top = 8 + row * 30
        body.append(wave(square_wave(top, top + 18, x0, x1, period, shift), MAGENTA if row != 1 else GREY))
        body.append(stroke_text(name, 6, top + 2, 14, GREY, 1.8))
    for k in range(1, 7):
        x = x0 + k * period / 6
        body.append(f'<path d="M{x:g} 4 V94" stroke="#a6a6a6" stroke-width="0.8" stroke-dasharray="2 2"/>')
    return svg(210, 98, "\n".join(body))


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text)


# The desktop's icon theme wants the program's icon drawn at each of these sizes.
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def hicolor_icons():
    folder = ART / "hicolor"
    folder.mkdir(exist_ok=True)
    for size in HICOLOR_SIZES:
        subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o", str(folder / f"{size}x{size}.png"),
                        str(ART / "icon.svg")], check=True)


def main():
    write(ART / "placeholder.svg", placeholder())
    write(ART / "logo.svg", logo())
    write(ART / "icon.svg", icon())
    write(ART / "quadrature.svg", quadrature_diagram())
    write(ART / "commutation.svg", commutation_diagram())
    for kind in ("datasheet", "home", "guide", "assembly", "blog", "library", "support"):
        write(ART / f"link-{kind}.svg", link_icon(kind))
    for kind in ("error", "warning", "question", "information"):
        write(ART / f"message-{kind}.svg", message_icon(kind))
    subprocess.run(["rsvg-convert", "-w", "64", "-h", "64", "-o", str(ART / "icon.png"), str(ART / "icon.svg")],
                   check=True)
    hicolor_icons()

    jobs = []
    for name, family in MODELS:
        jobs.append((name, model_picture(name, family, 1)))
    for name in VARIANTS:
        family = dict(MODELS)[name]
        jobs.append((f"{name}-2", model_picture(name, family, 2)))
    PICTURES.mkdir(parents=True, exist_ok=True)
    for stem, text in jobs:
        source = MODEL_SVG / f"{stem}.svg"
        write(source, text)
        subprocess.run(["rsvg-convert", "-w", "140", "-h", "140", "-o", str(PICTURES / f"{stem}.png"),
                        str(source)], check=True)


if __name__ == "__main__":
    main()
