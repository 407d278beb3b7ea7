#!/usr/bin/env python3
"""Fills in the delay-import directory of a program linked by GNU ld.

GNU ld links the delay-import descriptors of dlltool's delay libraries (one
per DLL, next to each other, followed by the program's all-zero end record)
but leaves the PE header's delay-import directory empty. Windows does not
need it (each thunk names its descriptor), but every tool that lists a
program's imports reads it. This finds the descriptors of the DLLs named,
points the directory at them and their end record, and writes the PE
checksum anew.

    fill_delay_import_directory.py PROGRAM DLL...
"""
import struct
import sys

DESCRIPTOR = 32  # ImgDelayDescr: attributes and seven RVAs or values
DELAY_IMPORT_ENTRY = 13


def fail(message):
    sys.exit(f"{sys.argv[1]}: {message}")


def checksum(image):
    """The PE checksum of `image`, whose checksum field is zero."""
    total = 0
    for (word,) in struct.iter_unpack("<H", image + b"\0" * (len(image) % 2)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def main():
    path, dlls = sys.argv[1], [name.lower() for name in sys.argv[2:]]
    image = bytearray(open(path, "rb").read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail("not a PE program")
    sections, optional_size = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    checksum_offset = optional + 64
    table = optional + optional_size
    layout = [struct.unpack_from("<8sIIII", image, table + 40 * i) for i in range(sections)]

    def offset_of(rva):
        for _, size, address, raw_size, raw in layout:
            if address <= rva < address + min(size, raw_size):
                return raw + rva - address
        return None

    def name_at(rva):
        offset = offset_of(rva)
        if offset is None:
            return None
        end = image.find(b"\0", offset, offset + 64)
        return image[offset:end].decode("ascii", "replace").lower() if end > offset else None

    found = []
    for _, size, address, raw_size, raw in layout:
        for offset in range(raw, raw + min(size, raw_size) - DESCRIPTOR + 1, 4):
            attributes, name_rva, module, iat, names = struct.unpack_from("<5I", image, offset)
            if attributes == 1 and module and iat and names:
                name = name_at(name_rva)
                if name in dlls:
                    found.append((offset, address + offset - raw, name))
    if sorted(name for _, _, name in found) != sorted(dlls):
        fail(f"delay-import descriptors found for {[name for _, _, name in found]}, not for {dlls}")
    found.sort()
    first_offset, first_rva = found[0][0], found[0][1]
    for i, (offset, _, _) in enumerate(found):
        if offset != first_offset + i * DESCRIPTOR:
            fail("the delay-import descriptors are not next to each other")
    end = first_offset + len(found) * DESCRIPTOR
    if any(image[end:end + DESCRIPTOR]):
        fail("no all-zero record ends the delay-import descriptors")
    struct.pack_into("<II", image, directories + 8 * DELAY_IMPORT_ENTRY, first_rva,
                     (len(found) + 1) * DESCRIPTOR)
    struct.pack_into("<I", image, checksum_offset, 0)
    struct.pack_into("<I", image, checksum_offset, checksum(bytes(image)))
    open(path, "wb").write(image)


if __name__ == "__main__":
    main()
