#!/usr/bin/python3
"""Draws the application icon (resource 299): a lightning mark on a navy
instrument face. Writes res/icons/app.ico with 16, 24, 32, 48 and 256 px."""
import os
from PIL import Image, ImageDraw

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
NAVY = (21, 27, 49, 255)
ACCENT = (30, 136, 229, 255)  # the skin's accent blue
AMBER = (255, 193, 7, 255)


def draw(size):
    s = 256
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((8, 8, s - 8, s - 8), radius=48, fill=NAVY, outline=ACCENT, width=12)
    bolt = [(146, 28), (70, 140), (122, 140), (100, 228), (188, 106), (134, 106), (160, 28)]
    d.polygon(bolt, fill=AMBER)
    return img.resize((size, size), Image.LANCZOS)


if __name__ == "__main__":
    out = os.path.join(ROOT, "res", "icons", "app.ico")
    big = draw(256)
    big.save(out, sizes=[(16, 16), (24, 24), (32, 32), (48, 48), (256, 256)])
    print(out)
