#!/usr/bin/python3
"""Copies the screenshots the tests of this build took into the guide's
image folder, each cut to the windows it shows (the window tests grab the
whole screen of a Wine session set up as an operator's PC). PNGs are
written without time stamps, so the same screenshots give the same bytes.

usage: guide_images.py SCREENSHOTS-FOLDER IMAGES-FOLDER
"""
import os
import sys

from PIL import Image

# guide image <- screenshot, and the test that takes it
IMAGES = [
    ("main-usb.png", "main_usb", "app_window_test (USB upgrade)"),
    ("disk-list.png", "main_disk_list", "app_window_test (USB upgrade)"),
    ("main-ethernet.png", "main_ethernet", "app_window_test (Ethernet upgrade, needs root)"),
    ("chooser.png", "main_chooser", "app_window_test (USB upgrade)"),
    ("progress.png", "run_upload", "app_window_test (Ethernet upgrade, needs root)"),
    ("success.png", "banner_usb", "app_window_test (USB upgrade)"),
    ("failure.png", "run_failure", "app_window_test (Ethernet upgrade, needs root)"),
    ("refusal.png", "run_refusal_damaged", "app_window_test (refused packs)"),
    ("error-dialog.png", "run_alert", "app_window_test (refused packs)"),
    ("signature-refusal.png", "run_refusal_unsigned", "app_window_test (signed packs)"),
    ("report-page.png", "report_page", "cli_report_native_test"),
]


def windows_only(image):
    # The screen around the windows is the empty X root: black.
    box = image.convert("L").point(lambda v: 255 if v > 8 else 0).getbbox()
    return image.crop(box) if box else image


def main():
    shots, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    missing = [(shot, test) for _, shot, test in IMAGES if not os.path.exists(os.path.join(shots, shot + ".png"))]
    for shot, test in missing:
        print("no screenshot %s.png in %s (taken by %s)" % (shot, shots, test), file=sys.stderr)
    if missing:
        return 1
    for name, shot, _ in IMAGES:
        image = windows_only(Image.open(os.path.join(shots, shot + ".png")).convert("RGB"))
        image.save(os.path.join(out, name), optimize=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
