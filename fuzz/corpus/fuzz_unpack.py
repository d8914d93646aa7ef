#!/usr/bin/env python3
"""Writes the seed containers of fuzz_unpack: every kind and variant, small, made with Python's zlib."""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_unpack")
TEXT = b"C:\\Windows\r\nC:\\Windows\\system32\r\nD:\\\xc4\xee\xea\xf3\xec\xe5\xed\xf2\xfb\\a.txt\r\n"
KEY = 58213


def xor(data, key):
    k = struct.pack("<I", key)
    return bytes(b ^ k[i % 4] for i, b in enumerate(data))


def record(magic, text_size, flags, payload, trailer, length=17):
    rec = struct.pack("<qqB", len(payload), text_size, flags).ljust(length, b"\x5a")[:length]
    return magic + struct.pack("<II", 3, length) + rec + payload + trailer


def fixed(magic, text_size, packed, key_field=b""):
    return magic + struct.pack("<qq", text_size, len(packed)) + packed + key_field


def main():
    z = zlib.compress(TEXT, 9)
    n = len(TEXT)
    seeds = {
        "uni_data": record(b"Uni_Data", n, 0x91, xor(z, KEY), struct.pack("<I", KEY)),
        "uni_data_empty": record(b"Uni_Data", 0, 0x91, xor(zlib.compress(b"", 9), KEY), struct.pack("<I", KEY)),
        "uni_data_a1": record(b"Uni_Data", n, 0xA1, xor(z, 7), struct.pack("<II", 7, 9)),
        "uni_data_h20": record(b"Uni_Data", n, 0x91, xor(z, KEY), struct.pack("<I", KEY), 20),
        "uni_data_plain_payload": record(b"Uni_Data", n, 0x11, xor(TEXT, 5), struct.pack("<I", 5)),
        "uni_data_version3": record(b"Uni_Data", n, 0x93, z, struct.pack("<I", 1)),
        "uni_dash": record(b"Uni-Data", n, 0x91, zlib.compress(xor(TEXT, KEY), 9), struct.pack("<I", KEY)),
        "zlib_gul": fixed(b"ZLIB-GUL", n, z),
        "rbac_uni": fixed(b"Rbac-Uni", n, zlib.compress(xor(TEXT, 99), 9), struct.pack("<II", 99, 0)),
        "truncated": record(b"Uni_Data", n, 0x80, z[: len(z) // 2], b""),
        "plain": TEXT,
    }
    os.makedirs(HERE, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
