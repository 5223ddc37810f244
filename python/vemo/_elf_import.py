"""Points one imported function of a loaded shared library at another
address, by rewriting the library's GOT slot for it.

The simulator's fast mode replaces ``usleep`` so that the SDK's 100 ms waits
are skipped. A library loaded into a running interpreter looks symbols up in
the interpreter's own libraries first, so the SDK's ``usleep`` binds to the C
library's even though the simulator was loaded ahead of it; only the SDK's
slot for ``usleep`` is redirected, nothing else in the process.
"""

from __future__ import annotations

import ctypes
import mmap
import os
import struct
from typing import Iterator, List, NamedTuple, Optional, Tuple

_SHT_RELA = 4
_R_X86_64_GLOB_DAT = 6
_R_X86_64_JUMP_SLOT = 7
_PROT_READ = 1
_PROT_WRITE = 2


class _Section(NamedTuple):
    type: int
    offset: int
    size: int
    link: int


def _sections(image: bytes) -> List[_Section]:
    if image[:4] != b"\x7fELF" or image[4] != 2 or image[5] != 1:
        return []
    (shoff,) = struct.unpack_from("<Q", image, 0x28)
    shentsize, shnum = struct.unpack_from("<HH", image, 0x3A)
    sections = []
    for i in range(shnum):
        fields = struct.unpack_from("<IIQQQQIIQQ", image, shoff + i * shentsize)
        sections.append(_Section(fields[1], fields[4], fields[5], fields[6]))
    return sections


def _name_at(image: bytes, strtab: _Section, offset: int) -> bytes:
    start = strtab.offset + offset
    return image[start : image.index(b"\0", start)]


def _slots(image: bytes, symbol: str) -> Iterator[int]:
    """The offsets (from the load base) of the GOT slots that import ``symbol``."""
    sections = _sections(image)
    wanted = symbol.encode()
    for rela in (s for s in sections if s.type == _SHT_RELA):
        symtab = sections[rela.link]
        strtab = sections[symtab.link]
        for at in range(rela.offset, rela.offset + rela.size, 24):
            r_offset, r_info, _ = struct.unpack_from("<QQq", image, at)
            if r_info & 0xFFFFFFFF not in (_R_X86_64_JUMP_SLOT, _R_X86_64_GLOB_DAT):
                continue
            (st_name,) = struct.unpack_from("<I", image, symtab.offset + (r_info >> 32) * 24)
            if _name_at(image, strtab, st_name) == wanted:
                yield r_offset


def _writable(address: int) -> Optional[bool]:
    with open("/proc/self/maps") as maps:
        for line in maps:
            span, perms = line.split()[:2]
            lo, hi = (int(x, 16) for x in span.split("-"))
            if lo <= address < hi:
                return "w" in perms
    return None


class _DlInfo(ctypes.Structure):
    _fields_ = [
        ("fname", ctypes.c_char_p),
        ("fbase", ctypes.c_void_p),
        ("sname", ctypes.c_char_p),
        ("saddr", ctypes.c_void_p),
    ]


def _loaded_object(address: int) -> Optional[Tuple[str, int]]:
    """The file and load base of the loaded library that holds an address."""
    info = _DlInfo()
    if not ctypes.CDLL(None).dladdr(ctypes.c_void_p(address), ctypes.byref(info)) or not info.fname or not info.fbase:
        return None
    return os.fsdecode(info.fname), int(info.fbase)


def redirect_import(inside: int, symbol: str, target: int) -> bool:
    """Makes the loaded library that holds the address ``inside`` call
    ``target`` for ``symbol``. False when the library does not import it or
    its slot cannot be rewritten."""
    loaded = _loaded_object(inside)
    if loaded is None:
        return False
    library_path, base = loaded
    libc = ctypes.CDLL(None)
    try:
        with open(library_path, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as image:
            slots = [base + offset for offset in _slots(bytes(image), symbol)]
    except (OSError, ValueError, IndexError, struct.error):  # not an ELF file this code understands
        return False
    page_size = mmap.PAGESIZE
    for slot in slots:
        writable = _writable(slot)
        if writable is None:
            return False
        page = slot & ~(page_size - 1)
        if not writable and libc.mprotect(ctypes.c_void_p(page), page_size, _PROT_READ | _PROT_WRITE) != 0:
            return False
        ctypes.c_void_p.from_address(slot).value = target
        if not writable:
            libc.mprotect(ctypes.c_void_p(page), page_size, _PROT_READ)
    return bool(slots)
