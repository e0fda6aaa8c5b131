#!/usr/bin/env python3
"""Writes the sample images with blocks this build cannot read (tests/data/images).

Usage: make-kept-samples.py DEMO.cfg OUTDIR   (DEMO.cfg from build/*/make_demo)

Each sample is the demonstration configuration with one change that a newer configurator
could have made: a port of an unknown kind (with a list of its own signals, counted in the
processor board's pool counts as such a tool would count them), a device of an unknown kind
under the SNMP port, a port record of a newer version, a COM board of a newer version.
"""
import struct
import sys


def u16(b, at):
    return struct.unpack_from('<H', b, at)[0]


def u32(b, at):
    return struct.unpack_from('<I', b, at)[0]


def value(key, data):
    return struct.pack('<HHI', 0xFFF2, key, 8 + len(data)) + data


def block(bid, body):
    return struct.pack('<HHI', 0xFFF1, bid, 8 + len(body)) + body


def name65(text):
    raw = text.encode('cp1251')
    return bytes([len(raw)]) + raw + bytes(64 - len(raw))


def top_blocks(b):
    """(offset, id, length) of the blocks after the marker."""
    at, out = u32(b, 92), []
    end = u32(b, 28) - 2
    while at + 8 <= end and u16(b, at) == 0xFFF1:
        out.append((at, u16(b, at + 2), u32(b, at + 4)))
        at += u32(b, at + 4)
    return out, at


def values(b, start):
    """key -> offset of the value data, for the block at `start`."""
    at, out = start + 8, {}
    while u16(b, at) == 0xFFF2:
        out[u16(b, at + 2)] = at + 8
        at += u32(b, at + 4)
    return out


def finish(stream):
    """Header + stream -> a whole image with padding, size and checksum."""
    b = bytearray(stream)
    end = len(b)
    padded = end + 16 - end % 16
    total = padded + 16
    b += bytes(total - end)
    size = ('Size:%-7d' % total).encode()
    b[16:28] = size
    struct.pack_into('<I', b, 28, total)
    struct.pack_into('<H', b, total - 2, sum(b[:total - 2]) & 0xFFFF)
    return bytes(b)


def main():
    demo, outdir = sys.argv[1], sys.argv[2]
    b = bytearray(open(demo, 'rb').read())
    blocks, end = top_blocks(b)
    proc = blocks[0][0]
    pv = values(b, proc)

    # An unknown port (id 250) with two signals of its own, appended as the last port.
    ts = block(211, value(48, b'\x01') + value(13, struct.pack('<H', 2)) +
               value(41, name65('3_Порт.Вход1') + name65('3_Порт.Вход2')) +
               value(78, b'\x00\x00'))
    port = block(250, value(48, b'\x01') + value(1, b'\x03') + value(20, b'\x00') + ts)
    s = bytearray(b[:end]) + port
    s[pv[3]] += 1                                        # the port count
    struct.pack_into('<H', s, pv[13], u16(s, pv[13]) + 2)  # the pool's ТС count
    open(outdir + '/unknown_port.cfg', 'wb').write(finish(s))

    # An unknown device (id 250) after the SNMP port's devices; the port's link-state list
    # has one input per device, so it gains one, and so does the pool's ТС count.
    snmp = [x for x in blocks if x[1] == 134][0]
    start, length = snmp[0], snmp[2]
    sv = values(b, start)
    lst = start + 8
    while u16(b, lst) == 0xFFF2:
        lst += u32(b, lst + 4)
    assert u16(b, lst + 2) == 211
    lv = values(b, lst)
    old_names = bytes(b[lv[41]:lv[41] + 65])
    links = block(211, value(48, b'\x01') + value(13, struct.pack('<H', 2)) +
                  value(41, old_names + name65('2_Порт.связь_7_Шкаф')) + value(78, b'\x00\x00'))
    device = block(250, value(48, b'\x01') + value(77, name65('Шкаф')))
    head = bytearray(b[start + 8:lst])
    head[sv[20] - start - 8] = 2  # the device count
    port_body = bytes(head) + links + bytes(b[lst + u32(b, lst + 4):start + length]) + device
    s = bytearray(b[:start]) + block(134, port_body) + b[start + length:end]
    struct.pack_into('<H', s, pv[13], u16(s, pv[13]) + 1)
    open(outdir + '/unknown_device.cfg', 'wb').write(finish(s))

    # The SNMP port's record in a newer version.
    s = bytearray(b[:end])
    s[values(s, snmp[0])[48]] = 9
    open(outdir + '/newer_port.cfg', 'wb').write(finish(s))

    # The first COM board's record in a newer version, with a key this build does not know.
    com = [x for x in blocks if x[1] == 200][0]
    extra = value(200, b'\x2a\x00\x00\x00')
    s = bytearray(b[:com[0] + com[2]]) + extra + b[com[0] + com[2]:end]
    struct.pack_into('<I', s, com[0] + 4, com[2] + len(extra))
    s[values(s, com[0])[48]] = 2
    open(outdir + '/newer_com_board.cfg', 'wb').write(finish(s))


main()
