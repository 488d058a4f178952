#!/usr/bin/env python3
"""Packs a legacy register (Document.DBF and, optionally, Document.DBT) into
one input for the legacy_reader fuzz target: a flags byte (bit 0: the memo
file exists), the table's length as four little-endian bytes, the table,
then the memo file. Usage: pack_legacy.py TABLE [MEMO] > input"""
import struct
import sys


def pack(table: bytes, memo) -> bytes:
    flags = 1 if memo is not None else 0
    return bytes([flags]) + struct.pack("<I", len(table)) + table + (memo or b"")


def main() -> None:
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        table = f.read()
    memo = None
    if len(sys.argv) == 3:
        with open(sys.argv[2], "rb") as f:
            memo = f.read()
    sys.stdout.buffer.write(pack(table, memo))


if __name__ == "__main__":
    main()
