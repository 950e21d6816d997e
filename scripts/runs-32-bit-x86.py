#!/usr/bin/env python3
"""Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when it
does not (a 64-bit kernel built or booted without its 32-bit emulation). It
writes the smallest such program, one that only calls exit(0) through
int 0x80, and starts it; nothing else is needed, no compiler nor library."""
import os
import struct
import subprocess
import sys
import tempfile

CODE = bytes([0xB8, 1, 0, 0, 0,  # mov eax, 1 (exit)
              0x31, 0xDB,        # xor ebx, ebx (status 0)
              0xCD, 0x80])       # int 0x80
BASE = 0x08048000
HEADERS = 52 + 32  # the ELF header and one program header


def program():
    size = HEADERS + len(CODE)
    elf_header = (b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8) +
                  struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, BASE + HEADERS, 52, 0, 0, 52, 32, 1,
                              0, 0, 0))
    load = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
    return elf_header + load + CODE


def main():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "exit0")
        with open(path, "wb") as file:
            file.write(program())
        os.chmod(path, 0o755)
        try:
            return 0 if subprocess.run([path], timeout=30).returncode == 0 else 1
        except (OSError, subprocess.TimeoutExpired):
            return 1


if __name__ == "__main__":
    sys.exit(main())
