#!/usr/bin/env python3
"""Writes the programmer firmware images PX<hhhh><letter>.DAT into data/.

Layout (see "Firmware images" in docs/box-operations.md): 1792 16-bit words, low byte first.
  word 0          0x5850 marker ("PX" read as a little-endian word)
  word 1          firmware version (the table VERSION, 280 = 0x0118)
  word 2          configuration letter in ASCII ('A' .. 'D')
  words 3..1790   filler: a 32-bit linear congruential sequence seeded from version and letter,
                  each word the high half of the state, so every image differs and is reproducible
  word 1791       check word: the 16-bit sum of words 0..1791 is 0

Usage: make-firmware-images.py [--version N] [--letters ABCD] [--out DIR]
"""

import argparse
import pathlib
import struct
import sys

IMAGE_WORDS = 1792
MARKER = 0x5850


def filler_words(version: int, letter: str, count: int):
    state = ((version & 0xFFFF) << 8 | ord(letter)) ^ 0x2545F491
    for _ in range(count):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        yield state >> 16


def build_image(version: int, letter: str) -> list[int]:
    words = [MARKER, version & 0xFFFF, ord(letter)]
    words.extend(filler_words(version, letter, IMAGE_WORDS - 4))
    words.append(-sum(words) & 0xFFFF)
    assert len(words) == IMAGE_WORDS and sum(words) & 0xFFFF == 0
    return words


def image_name(version: int, letter: str) -> str:
    return f"PX{version:04X}{letter}.DAT"


def main() -> int:
    repo = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", type=int, default=280, help="firmware version (decimal)")
    parser.add_argument("--letters", default="ABCD", help="configuration letters, one image each")
    parser.add_argument("--out", type=pathlib.Path, default=repo / "data", help="output directory")
    args = parser.parse_args()

    if not 0 <= args.version <= 0xFFFF:
        parser.error("version must fit in 16 bits")
    for letter in args.letters:
        if not ("A" <= letter <= "Z"):
            parser.error(f"configuration letter {letter!r} is not A..Z")
        path = args.out / image_name(args.version, letter)
        data = struct.pack(f"<{IMAGE_WORDS}H", *build_image(args.version, letter))
        path.write_bytes(data)
        print(f"{path}: {len(data)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
