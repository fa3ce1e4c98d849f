#!/usr/bin/env python3
"""Compares two raw RGB screenshots of the same size (before and during the screen effect).

Prints key=value lines: differing pixels, colours of the second picture that the first does not
have, the bounding box of the first picture's non-black content and of the differences, and the
number of non-black pixels of each picture.

usage: effect_picture.py BEFORE.rgb AFTER.rgb WIDTH HEIGHT
"""
import sys


def main():
    before = open(sys.argv[1], "rb").read()
    after = open(sys.argv[2], "rb").read()
    width, height = int(sys.argv[3]), int(sys.argv[4])
    assert len(before) == len(after) == width * height * 3, "size mismatch"

    colours_before = set()
    diff = 0
    new_colours = set()
    content = [width, height, -1, -1]
    changed = [width, height, -1, -1]
    lit_before = lit_after = 0
    colours_after = set()

    def grow(box, x, y):
        box[0] = min(box[0], x)
        box[1] = min(box[1], y)
        box[2] = max(box[2], x)
        box[3] = max(box[3], y)

    for i in range(0, len(before), 3):
        colours_before.add(before[i:i + 3])
    for i in range(0, len(before), 3):
        b = before[i:i + 3]
        a = after[i:i + 3]
        p = i // 3
        x, y = p % width, p // width
        if b != b"\0\0\0":
            lit_before += 1
            grow(content, x, y)
        if a != b"\0\0\0":
            lit_after += 1
        colours_after.add(a)
        if a != b:
            diff += 1
            grow(changed, x, y)
            if a not in colours_before:
                new_colours.add(a)

    print(f"diff={diff}")
    print(f"new_colours={len(new_colours)}")
    print(f"colours_before={len(colours_before)}")
    print(f"colours_after={len(colours_after)}")
    print(f"lit_before={lit_before}")
    print(f"lit_after={lit_after}")
    print("content_box=%d,%d,%d,%d" % tuple(content))
    print("changed_box=%d,%d,%d,%d" % tuple(changed))


if __name__ == "__main__":
    main()
