#!/usr/bin/env python3
"""Writes the damaged sample images (tests/data/damaged) from the demonstration configuration.

Usage: make-damaged-samples.py DEMO.cfg OUTDIR   (DEMO.cfg from build/*/make_demo)

Each sample holds one fault a loader must catch, with a correct checksum so that the fault
itself is what is found:
  data_offset_past_blocks.cfg  the data offset points past the blocks, at the zero padding
  selection_count_ffff.cfg     a PC's ТС selection says 65535 entries and stores ten
  selection_outside_pool.cfg   a PC's ТС selection names pool position 5000
"""
import struct
import sys


def u16(b, at):
    return struct.unpack_from('<H', b, at)[0]


def u32(b, at):
    return struct.unpack_from('<I', b, at)[0]


def restamp(b):
    total = u32(b, 28)
    struct.pack_into('<H', b, total - 2, sum(b[:total - 2]) & 0xFFFF)


def find_block(b, start, end, bid):
    """First block with id `bid` in [start, end), looking inside blocks too."""
    at = start
    while at + 8 <= end:
        tag, key, length = u16(b, at), u16(b, at + 2), u32(b, at + 4)
        if tag == 0xFFF1:
            if key == bid:
                return at
            at += 8
        elif tag == 0xFFF2:
            at += length
        else:
            break
    return None


def value_at(b, block, key):
    at = block + 8
    while u16(b, at) == 0xFFF2:
        if u16(b, at + 2) == key:
            return at + 8
        at += u32(b, at + 4)
    return None


def main():
    demo, out = sys.argv[1], sys.argv[2]
    base = bytearray(open(demo, 'rb').read())
    total = u32(base, 28)

    b = bytearray(base)
    struct.pack_into('<I', b, 92, total - 16)
    restamp(b)
    open(out + '/data_offset_past_blocks.cfg', 'wb').write(b)

    pc = find_block(base, 144, total - 2, 202)
    ts = find_block(base, pc + 8, total - 2, 211)
    b = bytearray(base)
    struct.pack_into('<H', b, value_at(b, ts, 13), 0xFFFF)
    restamp(b)
    open(out + '/selection_count_ffff.cfg', 'wb').write(b)

    b = bytearray(base)
    struct.pack_into('<H', b, value_at(b, ts, 1) + 2, 5000)
    restamp(b)
    open(out + '/selection_outside_pool.cfg', 'wb').write(b)


main()
