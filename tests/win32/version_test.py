"""Reads the version resource of a built zelvane.exe and checks that it is complete and
carries the project's version.

  version_test.py PROGRAM VERSION
"""

import struct
import sys

REQUIRED = ("CompanyName", "FileDescription", "FileVersion", "InternalName",
            "OriginalFilename", "ProductName", "ProductVersion", "LegalCopyright")
RT_VERSION = 16


def version_resource(pe):
    """The bytes of the first RT_VERSION resource of a PE file."""
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    assert pe[header:header + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", pe, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", pe, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", pe, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", pe, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in spans:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise AssertionError(f"RVA {rva:#x} is in no section")

    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<12xHH", pe, base + directory)
        for i in range(named + ids):
            yield struct.unpack_from("<II", pe, base + directory + 16 + 8 * i)

    node = next((target for name, target in entries(0) if name == RT_VERSION), None)
    assert node is not None, "no version resource"
    while node & 0x80000000:  # down through the name and language levels
        node = next(target for _, target in entries(node & 0x7FFFFFFF))
    data_rva, size = struct.unpack_from("<II", pe, base + node)
    return pe[offset(data_rva):offset(data_rva) + size]


def block(data, at):
    """One block of a version resource: key, value, children and where it ends."""
    length, value_length, kind = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = data.index(b"\0\0", at + 6)
    while (key_end - at - 6) % 2:
        key_end = data.index(b"\0\0", key_end + 1)
    key = data[at + 6:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    size = value_length * 2 if kind == 1 else value_length
    value = data[position:position + size]
    position = (position + size + 3) & ~3
    children = []
    while position < end:
        child = block(data, position)
        children.append(child)
        position = (child[3] + 3) & ~3
    return key, value, children, end


def main(program, version):
    with open(program, "rb") as f:
        root = block(version_resource(f.read()), 0)
    failures = []
    fixed = struct.unpack_from("<13I", root[1])
    numbers = (fixed[2] >> 16, fixed[2] & 0xFFFF, fixed[3] >> 16, fixed[3] & 0xFFFF)
    expected = tuple(int(n) for n in (version + ".0.0.0").split(".")[:4])
    if numbers != expected:
        failures.append(f"FILEVERSION {numbers} is not {expected}")
    strings = {}
    for key, _, children, _ in root[2]:
        if key == "StringFileInfo":
            for name, value, _, _ in children[0][2]:
                strings[name] = value.decode("utf-16-le").rstrip("\0")
    for name in REQUIRED:
        if not strings.get(name):
            failures.append(f"{name} is missing or empty")
    for name in ("FileVersion", "ProductVersion"):
        if strings.get(name) != version:
            failures.append(f"{name} is {strings.get(name)!r}, not {version!r}")
    if "MIT License" not in strings.get("LegalCopyright", ""):
        failures.append(f"LegalCopyright {strings.get('LegalCopyright')!r} names no licence")
    if strings.get("OriginalFilename") != "zelvane.exe":
        failures.append(f"OriginalFilename is {strings.get('OriginalFilename')!r}")
    for name in sorted(strings):
        print(f"{name}: {strings[name]}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
