#!/usr/bin/python3
"""Draws every skin image of Quillon into res/png/<id>.png and the chooser's
icons into res/icons/ (folder 302, pack 303, drive 304).

Run with Debian's python3 (python3-pil) and fonts-wqy-microhei:
    /usr/bin/python3 tools/skin/make_skin.py
The build uses the committed PNGs; run this only to change the look.

Palette: a navy title band (the progress window's navy 21,27,49), a light
grey-blue body, one blue accent for buttons and selections, green for
progress and success, red for failure.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
PNG_DIR = os.path.join(ROOT, "res", "png")
ICON_DIR = os.path.join(ROOT, "res", "icons")
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

NAVY = (21, 27, 49)
NAVY_LIGHT = (44, 56, 96)
BODY = (236, 240, 246)
PANEL = (255, 255, 255)
LINE = (196, 205, 220)
INK = (33, 40, 58)
MUTED = (128, 138, 156)
ACCENT = (30, 136, 229)
ACCENT_HOVER = (66, 165, 245)
ACCENT_PRESSED = (18, 96, 170)
ACCENT_TINT = (224, 239, 253)
DISABLED = (190, 197, 209)
DISABLED_INK = (240, 242, 246)
GREEN = (46, 204, 113)
GREEN_DARK = (18, 70, 48)
RED = (229, 57, 53)
SS = 4  # supersampling factor for smooth edges


def font(px):
    return ImageFont.truetype(FONT, px)


def rgba(c, a=255):
    return (c[0], c[1], c[2], a)


def canvas(w, h, fill=(0, 0, 0, 0)):
    return Image.new("RGBA", (w * SS, h * SS), fill)


def shrink(img):
    return img.resize((img.width // SS, img.height // SS), Image.LANCZOS)


def rounded(w, h, radius, fill, outline=None, width=1, back=(0, 0, 0, 0)):
    """A rounded rectangle filling the whole w x h image, drawn smooth."""
    img = canvas(w, h, back)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 0, w * SS - 1, h * SS - 1), radius=radius * SS, fill=fill,
                        outline=outline, width=width * SS if outline else 0)
    return shrink(img)


def text_center(img, text, px, colour, dy=0, box=None):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box if box else (0, 0, img.width, img.height)
    d.text(((x0 + x1) / 2, (y0 + y1) / 2 + dy), text, font=font(px), fill=colour, anchor="mm")


def save(img, pid, alpha=True):
    if not alpha:
        img = img.convert("RGB")
    else:
        img = img.convert("RGBA")
    img.save(os.path.join(PNG_DIR, "%d.png" % pid), optimize=True)


# --- push buttons ---------------------------------------------------------

def push_button(w, h, caption, state, style="primary", back=None):
    """One state of a captioned push button. `back` makes it opaque on that
    colour (for the plain RGB images)."""
    if style == "primary":
        fills = {"normal": ACCENT, "hover": ACCENT_HOVER, "pressed": ACCENT_PRESSED, "disabled": DISABLED}
        inks = {"normal": (255, 255, 255), "hover": (255, 255, 255), "pressed": (225, 236, 250),
                "disabled": DISABLED_INK}
        outline = {"normal": None, "hover": None, "pressed": None, "disabled": None}
    else:  # secondary: white face, accent on hover
        fills = {"normal": PANEL, "hover": ACCENT_TINT, "pressed": (200, 222, 246), "disabled": (226, 230, 237)}
        inks = {"normal": INK, "hover": ACCENT_PRESSED, "pressed": ACCENT_PRESSED, "disabled": (168, 176, 190)}
        outline = {"normal": LINE, "hover": ACCENT_HOVER, "pressed": ACCENT, "disabled": (210, 215, 224)}
    bg = rgba(back) if back else (0, 0, 0, 0)
    img = rounded(w, h, 5, rgba(fills[state]), rgba(outline[state]) if outline[state] else None, 1, bg)
    if state == "hover" and style == "primary":  # a soft light edge on top
        d = ImageDraw.Draw(img)
        d.line((4, 1, w - 5, 1), fill=(255, 255, 255, 90))
    dy = 1 if state == "pressed" else 0
    if caption:
        text_center(img, caption, 14 if h >= 30 else 13, rgba(inks[state]), dy)
    return img


def title_button(glyph, state, close=False):
    """24 x 30 glyph button of a navy title band (plain RGB)."""
    img = Image.new("RGBA", (24 * SS, 30 * SS), rgba(NAVY))
    d = ImageDraw.Draw(img)
    if state != "normal":
        if close:
            colour = (232, 72, 72) if state == "hover" else (176, 40, 40)
        else:
            colour = NAVY_LIGHT if state == "hover" else ACCENT_PRESSED
        d.rounded_rectangle((1 * SS, 4 * SS, 23 * SS - 1, 26 * SS - 1), radius=3 * SS, fill=rgba(colour))
    ink = (255, 255, 255, 255) if state != "normal" else (200, 208, 224, 255)
    cx, cy = 12 * SS, 15 * SS
    if glyph == "min":
        d.line((cx - 5 * SS, cy + 1 * SS, cx + 5 * SS, cy + 1 * SS), fill=ink, width=int(1.6 * SS))
    else:
        r = 4.5 * SS
        d.line((cx - r, cy - r, cx + r, cy + r), fill=ink, width=int(1.6 * SS))
        d.line((cx - r, cy + r, cx + r, cy - r), fill=ink, width=int(1.6 * SS))
    return shrink(img)


# --- marks, glyphs, progress ------------------------------------------------

def tick(d, box, colour, width):
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    pts = [(x0 + 0.22 * w, y0 + 0.52 * h), (x0 + 0.43 * w, y0 + 0.72 * h), (x0 + 0.78 * w, y0 + 0.30 * h)]
    d.line(pts, fill=colour, width=width, joint="curve")


def cross(d, box, colour, width):
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    d.line((x0 + 0.3 * w, y0 + 0.3 * h, x0 + 0.7 * w, y0 + 0.7 * h), fill=colour, width=width)
    d.line((x0 + 0.3 * w, y0 + 0.7 * h, x0 + 0.7 * w, y0 + 0.3 * h), fill=colour, width=width)


def round_badge(size, colour, draw_mark):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    s = size * SS
    d.ellipse((0, 0, s - 1, s - 1), fill=rgba(colour))
    draw_mark(d, (0, 0, s, s), (255, 255, 255, 255), max(1, int(size * SS * 0.12)))
    return shrink(img)


def radio_mark(state, back=None):
    """16 x 16 radio mark: ring, ring with dot, or greyed ring."""
    img = canvas(16, 16, rgba(back) if back else (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    s = 16 * SS
    m = 1 * SS
    if state == "checked":
        d.ellipse((m, m, s - m - 1, s - m - 1), fill=rgba(PANEL), outline=rgba(ACCENT), width=int(1.5 * SS))
        d.ellipse((5 * SS, 5 * SS, 11 * SS - 1, 11 * SS - 1), fill=rgba(ACCENT))
    elif state == "unchecked":
        d.ellipse((m, m, s - m - 1, s - m - 1), fill=rgba(PANEL), outline=rgba(MUTED), width=int(1.2 * SS))
    else:
        d.ellipse((m, m, s - m - 1, s - m - 1), fill=rgba((228, 232, 238)), outline=rgba(DISABLED),
                  width=int(1.2 * SS))
    return shrink(img)


def triangle(w, h, direction):
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    W, H = w * SS, h * SS
    if direction == "down":
        pts = [(0, H * 0.2), (W, H * 0.2), (W / 2, H * 0.9)]
    else:
        pts = [(W * 0.1, 0), (W * 0.95, H / 2), (W * 0.1, H)]
    d.polygon(pts, fill=rgba(INK))
    return shrink(img)


def bar_tile(kind):
    """4 x 18 piece of the bright green fill: left end, middle or right end."""
    img = canvas(4, 18)
    d = ImageDraw.Draw(img)
    W, H = 4 * SS, 18 * SS
    r = 3 * SS
    if kind == "middle":
        d.rectangle((0, 0, W, H), fill=rgba(GREEN))
    elif kind == "left":
        d.rounded_rectangle((0, 0, W + r * 2, H - 1), radius=r, fill=rgba(GREEN))
    else:
        d.rounded_rectangle((-r * 2, 0, W - 1, H - 1), radius=r, fill=rgba(GREEN))
    img = shrink(img)
    # A lighter upper half gives the fill some depth.
    px = img.load()
    for y in range(7):
        for x in range(4):
            r_, g_, b_, a_ = px[x, y]
            if a_:
                px[x, y] = (min(255, r_ + 30), min(255, g_ + 24), min(255, b_ + 26), a_)
    return img


# --- model pictures ----------------------------------------------------------

def model_picture(name, checked):
    w, h = 84, 86
    img = canvas(w, h)
    d = ImageDraw.Draw(img)
    S = SS
    face = ACCENT_TINT if checked else PANEL
    border = ACCENT if checked else LINE
    d.rounded_rectangle((1 * S, 1 * S, (w - 1) * S - 1, (h - 1) * S - 1), radius=7 * S, fill=rgba(face),
                        outline=rgba(border), width=(2 if checked else 1) * S)
    # The terminal: a cased instrument with a display, keys and a terminal block.
    body = NAVY if checked else (104, 114, 134)
    screen = GREEN if checked else (178, 190, 200)
    bx0, by0, bx1, by1 = 18, 10, 66, 50
    d.rounded_rectangle((bx0 * S, by0 * S, bx1 * S, by1 * S), radius=4 * S, fill=rgba(body))
    d.rounded_rectangle(((bx0 + 5) * S, (by0 + 5) * S, (bx0 + 31) * S, (by0 + 21) * S), radius=1 * S,
                        fill=rgba(screen))
    # waveform on the display
    wave = [(bx0 + 7 + i * 3, by0 + 13 + (-3 if i % 4 == 1 else 3 if i % 4 == 3 else 0)) for i in range(9)]
    d.line([(x * S, y * S) for x, y in wave], fill=rgba(body), width=S)
    for i in range(3):  # keys beside the display
        ky = by0 + 6 + i * 6
        d.rounded_rectangle(((bx0 + 36) * S, ky * S, (bx0 + 43) * S, (ky + 3) * S), radius=S,
                            fill=rgba((210, 218, 232) if checked else (190, 198, 210)))
    led = (255, 193, 7) if checked else (170, 176, 188)
    d.ellipse(((bx0 + 6) * S, (by0 + 26) * S, (bx0 + 10) * S, (by0 + 30) * S), fill=rgba(led))
    d.ellipse(((bx0 + 13) * S, (by0 + 26) * S, (bx0 + 17) * S, (by0 + 30) * S),
              fill=rgba(GREEN if checked else (170, 176, 188)))
    for i in range(6):  # terminal block screws
        tx = bx0 + 5 + i * 7
        d.rectangle((tx * S, (by1 - 2) * S, (tx + 4) * S, (by1 + 3) * S), fill=rgba((150, 158, 172)))
    ink = ACCENT_PRESSED if checked else MUTED
    big = canvas(w, h)
    text_center(big, name, 13 * S, rgba(ink), box=(0, 60 * S, w * S, 80 * S))
    img = Image.alpha_composite(img, big)
    if checked:  # a tick badge in the upper right corner
        dd = ImageDraw.Draw(img)
        cx0, cy0, r = (w - 19) * S, 4 * S, 14 * S
        dd.ellipse((cx0, cy0, cx0 + r, cy0 + r), fill=rgba(ACCENT), outline=rgba(PANEL), width=S)
        tick(dd, (cx0, cy0, cx0 + r, cy0 + r), (255, 255, 255, 255), int(1.8 * S))
    return shrink(img)


# --- backgrounds --------------------------------------------------------------

def window_background(w, h, band=40, title_line=True):
    img = Image.new("RGBA", (w, h), rgba(BODY))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, w - 1, band - 1), fill=rgba(NAVY))
    if title_line:
        d.rectangle((0, band, w - 1, band + 1), fill=rgba(ACCENT))
    d.rectangle((0, 0, w - 1, h - 1), outline=rgba(NAVY))
    return img


def main_background():
    img = window_background(624, 369)
    d = ImageDraw.Draw(img)
    # A hairline under the row of model pictures (they end at y = 133).
    d.line((16, 145, 607, 145), fill=rgba(LINE))
    d.rectangle((0, 0, 623, 368), outline=rgba(NAVY))
    return img


def chooser_background():
    img = window_background(392, 282)
    d = ImageDraw.Draw(img)
    # White well around the tree (tree control at about 21,44 .. 366,224).
    d.rounded_rectangle((17, 50, 374, 227), radius=4, fill=rgba(PANEL), outline=rgba(LINE))
    d.rectangle((0, 0, 391, 281), outline=rgba(NAVY))
    return img


# --- icons --------------------------------------------------------------------

def icon_folder(size):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    s = size * SS
    d.rounded_rectangle((0.06 * s, 0.18 * s, 0.46 * s, 0.34 * s), radius=0.05 * s, fill=(230, 160, 30, 255))
    d.rounded_rectangle((0.06 * s, 0.26 * s, 0.94 * s, 0.84 * s), radius=0.07 * s, fill=(250, 190, 60, 255),
                        outline=(205, 140, 20, 255), width=max(SS, int(0.04 * s)))
    return shrink(img)


def icon_pack(size):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    s = size * SS
    d.rounded_rectangle((0.16 * s, 0.04 * s, 0.84 * s, 0.96 * s), radius=0.08 * s, fill=rgba(PANEL),
                        outline=rgba(ACCENT_PRESSED), width=max(SS, int(0.05 * s)))
    d.rectangle((0.16 * s, 0.56 * s, 0.84 * s, 0.96 * s), fill=rgba(ACCENT))
    for i in range(4):  # zipper
        y = (0.1 + i * 0.1) * s
        x = 0.44 * s if i % 2 == 0 else 0.52 * s
        d.rectangle((x, y, x + 0.08 * s, y + 0.06 * s), fill=rgba(INK))
    d.rectangle((0.42 * s, 0.62 * s, 0.58 * s, 0.8 * s), fill=rgba(PANEL))
    return shrink(img)


def icon_drive(size):
    img = canvas(size, size)
    d = ImageDraw.Draw(img)
    s = size * SS
    d.rounded_rectangle((0.04 * s, 0.3 * s, 0.96 * s, 0.76 * s), radius=0.1 * s, fill=(150, 160, 178, 255),
                        outline=(80, 90, 110, 255), width=max(SS, int(0.04 * s)))
    d.rectangle((0.12 * s, 0.56 * s, 0.88 * s, 0.62 * s), fill=(110, 120, 140, 255))
    d.ellipse((0.74 * s, 0.38 * s, 0.86 * s, 0.5 * s), fill=rgba(GREEN))
    return shrink(img)


def save_icon(draw, name):
    big = draw(256)
    frames = [draw(n) for n in (16, 32, 48)]
    path = os.path.join(ICON_DIR, name)
    big.save(path, sizes=[(16, 16), (32, 32), (48, 48)], append_images=frames)
    return path


# --- the catalogue -------------------------------------------------------------

def build():
    out = {}  # id -> (image, alpha)

    def put(pid, img, alpha=True):
        out[pid] = (img, alpha)

    states = ("normal", "hover", "pressed", "disabled")
    # Main window buttons.
    for pid, st in zip((225, 226, 227, 228), ("disabled", "hover", "normal", "pressed")):
        put(pid, push_button(112, 30, "加载升级包", st))
    for pid, st in zip((229, 230, 231, 232), states):
        put(pid, push_button(102, 32, "开始升级", st))
    for pid, st in zip((238, 239, 240, 241), ("normal", "disabled", "pressed", "hover")):
        put(pid, push_button(52, 30, "验证", st, "secondary"))
    for pid, st in zip((242, 243, 244, 245), ("pressed", "hover", "normal", "disabled")):
        put(pid, push_button(102, 32, "", st, "secondary"))
    for pid, st in zip((251, 270, 255), ("normal", "hover", "pressed")):
        put(pid, title_button("min", st), False)
    for pid, st in zip((254, 253, 252), ("normal", "hover", "pressed")):
        put(pid, title_button("close", st, close=True), False)
    # Radio buttons.
    put(249, radio_mark("checked"))
    put(250, radio_mark("unchecked"))
    put(267, radio_mark("disabled", back=BODY), False)
    put(248, rounded(100, 25, 4, rgba(PANEL), rgba(LINE)))
    models = ("M2410", "M2450", "M3710", "M3750", "VK1200", "HTR940", "M2480")
    pairs = ((260, 261), (262, 263), (264, 265), (266, 257), (258, 259), (307, 308), (309, 310))
    for name, (on, off) in zip(models, pairs):
        put(on, model_picture(name, True))
        put(off, model_picture(name, False))
    # Main window painting.
    put(268, main_background())
    put(237, rounded(273, 38, 5, rgba(PANEL), rgba(LINE)))
    put(272, rounded(325, 29, 4, rgba(NAVY_LIGHT), rgba(NAVY)))
    put(236, rounded(129, 29, 4, rgba(PANEL), rgba(ACCENT)))
    put(233, round_badge(15, GREEN, tick).crop((0, 0, 15, 15)).resize((16, 15), Image.LANCZOS))
    put(234, round_badge(15, RED, cross).crop((0, 0, 15, 15)).resize((16, 15), Image.LANCZOS))
    # Progress window.
    put(273, Image.new("RGBA", (624, 270), rgba(NAVY, 204)))
    put(274, rounded(400, 22, 11, rgba(GREEN_DARK), rgba((36, 110, 74))))
    put(235, bar_tile("middle"))
    put(276, bar_tile("left"))
    put(275, bar_tile("right"))
    put(284, round_badge(30, GREEN, tick))
    put(283, round_badge(30, RED, cross))
    # Pack chooser.
    put(286, chooser_background())
    for pid, st in zip((294, 293, 292, 291), states):
        put(pid, push_button(62, 28, "确定", st, back=BODY), False)
    for pid, st in zip((290, 289, 288, 287), states):
        put(pid, push_button(62, 28, "取消", st, "secondary", back=BODY if pid == 290 else None), pid != 290)
    for pid, st in zip((295, 297, 296), ("normal", "hover", "pressed")):
        put(pid, title_button("min", st), False)
    # Tree glyphs.
    put(300, triangle(7, 7, "down"))
    put(301, triangle(5, 9, "right"))
    return out


def main():
    os.makedirs(PNG_DIR, exist_ok=True)
    images = build()
    for pid, (img, alpha) in sorted(images.items()):
        save(img, pid, alpha)
    icons = [save_icon(icon_folder, "folder.ico"), save_icon(icon_pack, "pack.ico"),
             save_icon(icon_drive, "drive.ico")]
    print("%d images in %s; icons: %s" % (len(images), PNG_DIR, ", ".join(icons)))
    return 0 if len(images) == 67 else 1


if __name__ == "__main__":
    sys.exit(main())
