#!/usr/bin/env python3
"""Reference for bench/stretch_bench: Pillow's BOX resize of the same sizes.

Usage: stretch_pillow.py RUNS SW SH DW DH [SW SH DW DH ...]
Prints one line per case: "SWxSH DWxDH median_wall_ms median_cpu_ms".
"""
import statistics
import sys
import time

from PIL import Image


def main() -> int:
    runs = int(sys.argv[1])
    values = [int(v) for v in sys.argv[2:]]
    for i in range(0, len(values), 4):
        sw, sh, dw, dh = values[i:i + 4]
        # Noise, so that no shortcut for flat areas helps; RGBX is the 32-bit layout.
        size = sw * sh * 4
        noise = bytes((j * 7919 + (j >> 9)) & 0xFF for j in range(65521))
        image = Image.frombytes("RGBX", (sw, sh), (noise * (size // len(noise) + 1))[:size])
        image.resize((dw, dh), Image.BOX)  # warm-up
        wall, cpu = [], []
        for _ in range(runs):
            cpu_start = time.thread_time()
            start = time.perf_counter()
            image.resize((dw, dh), Image.BOX)
            wall.append((time.perf_counter() - start) * 1000.0)
            cpu.append((time.thread_time() - cpu_start) * 1000.0)
        print(f"{sw}x{sh} {dw}x{dh} {statistics.median(wall):.3f} {statistics.median(cpu):.3f}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
