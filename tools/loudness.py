#!/usr/bin/env python3
"""Prints the integrated loudness (EBU R128, LUFS) of raw mono 16-bit recordings.

    tools/loudness.py RATE FILE...

One line a file, in the order given: the loudness with one decimal, or "-inf" when the
file holds nothing loud enough to measure (silence, or shorter than one 400 ms block).
The measuring is libebur128's (Debian package libebur128-1), loaded through ctypes.
"""

import ctypes
import ctypes.util
import math
import sys

EBUR128_MODE_I = (1 << 0) | (1 << 2)  # momentary and integrated


def library():
    name = ctypes.util.find_library("ebur128") or "libebur128.so.1"
    lib = ctypes.CDLL(name)
    lib.ebur128_init.restype = ctypes.c_void_p
    lib.ebur128_init.argtypes = [ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.ebur128_add_frames_short.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t]
    lib.ebur128_loudness_global.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_double)]
    lib.ebur128_destroy.argtypes = [ctypes.POINTER(ctypes.c_void_p)]
    return lib


def loudness(lib, rate, samples):
    state = ctypes.c_void_p(lib.ebur128_init(1, rate, EBUR128_MODE_I))
    if not state:
        sys.exit("loudness: ebur128_init failed")
    try:
        if lib.ebur128_add_frames_short(state, samples, len(samples) // 2) != 0:
            sys.exit("loudness: ebur128_add_frames_short failed")
        value = ctypes.c_double()
        if lib.ebur128_loudness_global(state, ctypes.byref(value)) != 0:
            sys.exit("loudness: ebur128_loudness_global failed")
        return value.value
    finally:
        lib.ebur128_destroy(ctypes.byref(state))


def main():
    if len(sys.argv) < 3 or not sys.argv[1].isdigit():
        sys.exit("usage: loudness.py RATE FILE...")
    lib = library()
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            value = loudness(lib, int(sys.argv[1]), f.read())
        print("%.1f" % value if math.isfinite(value) else "-inf")


if __name__ == "__main__":
    main()
