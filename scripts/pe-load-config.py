#!/usr/bin/env python3
"""pe-load-config.py IMAGE [RVA SIZE]

With RVA and SIZE: points the load-configuration entry of a 64-bit Windows
image's data directory at the structure linked into it. The MinGW linker of
Debian 12 (binutils 2.40) links a `_load_config_used` structure into the
image but leaves that entry empty, so Windows would never read it. The
structure's DependentLoadFlags tell the loader where to look for the
image's own imports (LOAD_LIBRARY_SEARCH_SYSTEM32: the system's folder
only, never the folder of the program that loads it).

Without them: prints the image's DependentLoadFlags in hexadecimal (none
when it has no load configuration).
"""
import struct
import sys

LOAD_CONFIG = 10  # index of the load-configuration entry in the data directory


def headers(image, path):
    (pe,) = struct.unpack_from("<I", image, 0x3C)
    if image[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE image")
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", image, optional)
    (count,) = struct.unpack_from("<I", image, optional + 108)
    if magic != 0x20B or count <= LOAD_CONFIG:
        sys.exit(f"{path}: not a 64-bit image with a load-configuration entry")
    return pe, optional


def file_offset(image, pe, rva):
    (sections,) = struct.unpack_from("<H", image, pe + 6)
    (optional_size,) = struct.unpack_from("<H", image, pe + 20)
    table = pe + 24 + optional_size
    for i in range(sections):
        size, address, raw_size, raw = struct.unpack_from("<IIII", image, table + 40 * i + 8)
        if address <= rva < address + max(size, raw_size):
            return raw + rva - address
    sys.exit(f"RVA {rva:#x} lies in no section")


def main() -> int:
    path = sys.argv[1]
    with open(path, "r+b") as f:
        image = bytearray(f.read())
        pe, optional = headers(image, path)
        entry = optional + 112 + 8 * LOAD_CONFIG
        if len(sys.argv) == 4:
            struct.pack_into("<II", image, entry, int(sys.argv[2], 16), int(sys.argv[3]))
            f.seek(0)
            f.write(image)
            return 0
    rva, size = struct.unpack_from("<II", image, entry)
    if size < 0x50:  # DependentLoadFlags is the word at 0x4E
        print("none")
        return 0
    (flags,) = struct.unpack_from("<H", image, file_offset(image, pe, rva) + 0x4E)
    print(f"{flags:#x}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
