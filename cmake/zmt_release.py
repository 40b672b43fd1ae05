"""The release files' last touches, so that the same commit gives the same bytes.

  zmt_release.py pad PROGRAM
      Pads a PE file with zeros to a multiple of 8 bytes and writes its checksum anew. An
      Authenticode signature is appended at such a boundary, so that signing only appends, and
      taking the signature off again (osslsigncode remove-signature) gives back these bytes.
  zmt_release.py zip EPOCH ARCHIVE...
      Writes each zip archive anew: its entries sorted by name, every time EPOCH (seconds since
      1970, in UTC; 1980 at the earliest, the first time a zip can hold), directories and programs
      (.exe, .dll) with mode 0755 and every other file 0644, and no owner, no extra fields.
"""

import array
import os
import struct
import sys
import time
import zipfile


def pe_checksum(data, field):
    words = array.array("H", data + b"\0" * (len(data) % 2))
    if sys.byteorder != "little":
        words.byteswap()
    total = sum(words) - words[field // 2] - words[field // 2 + 1]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def pad(path):
    with open(path, "rb") as file:
        data = bytearray(file.read())
    if data[:2] != b"MZ":
        sys.exit(f"{path}: not a PE file")
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE file")
    # The optional header's CheckSum sits at the same place in PE32 and PE32+.
    field = header + 24 + 64
    data += b"\0" * (-len(data) % 8)
    struct.pack_into("<I", data, field, pe_checksum(bytes(data), field))
    with open(path, "wb") as file:
        file.write(data)


def normalise_zip(epoch, path):
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(path) as source:
        entries = [(info.filename, source.read(info)) for info in source.infolist()]
    written = path + ".tmp"
    with zipfile.ZipFile(written, "w") as archive:
        for name, data in sorted(entries):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3
            if name.endswith("/"):
                info.external_attr = (0o40755 << 16) | 0x10
            elif name.lower().endswith((".exe", ".dll")):
                info.external_attr = 0o100755 << 16
            else:
                info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED if data else zipfile.ZIP_STORED
            archive.writestr(info, data, compresslevel=9)
    os.replace(written, path)


def main(argv):
    if len(argv) == 3 and argv[1] == "pad":
        pad(argv[2])
    elif len(argv) >= 4 and argv[1] == "zip" and argv[2].isdigit():
        for path in argv[3:]:
            normalise_zip(int(argv[2]), path)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
