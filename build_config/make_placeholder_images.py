#!/usr/bin/env python3
"""Writes deterministic placeholder drive images of each build's lengths.

Until a firmware release brings its own images, every build carries these
stand-ins so that the tool builds and its tests run. The test program and the
bootloader of builds 1, 2 and 4 are byte for byte the same; every other image
is the build's own. Run from anywhere: python3 build_config/make_placeholder_images.py
"""
import hashlib
import pathlib

LENGTHS = {  # build: (test_program, bootloader_image, firmware_image, overlay_image)
    1: (4660, 484, 51012, 10776),
    2: (4660, 484, 51020, 10780),
    3: (4668, 488, 50848, 10776),
    4: (4660, 484, 51020, 10772),
    5: (4620, 484, 49168, 10460),
}
NAMES = ("test_program", "bootloader_image", "firmware_image", "overlay_image")
SHARED_BY = {1: "A", 2: "A", 4: "A", 3: "3", 5: "5"}  # test program and bootloader


def placeholder(label: str, length: int) -> bytes:
    out = bytearray()
    counter = 0
    while len(out) < length:
        out += hashlib.sha256(f"{label}/{counter}".encode()).digest()
        counter += 1
    return bytes(out[:length])


def main() -> None:
    root = pathlib.Path(__file__).resolve().parent
    for build, lengths in LENGTHS.items():
        folder = root / f"build{build}" / "images"
        folder.mkdir(parents=True, exist_ok=True)
        for name, length in zip(NAMES, lengths):
            owner = SHARED_BY[build] if name in NAMES[:2] else str(build)
            (folder / f"{name}.bin").write_bytes(placeholder(f"placeholder/{owner}/{name}", length))


if __name__ == "__main__":
    main()
