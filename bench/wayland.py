#!/usr/bin/env python3
"""The show's transitions on a Wayland compositor against X, in one run: the
same window benchmark (transitions_window_bench) on a headless sway output
and on an Xvfb screen of the same size. Printed per effect: the time to the
first piece on the screen (Delay 0) and the duration at Delay 10 against the
sum of its pauses, on each; then the ratios Wayland / X11 (aim: <= 1.0, the
show on Wayland no slower than on X11).

Usage: bench/wayland.py [BUILD_DIR] [--size WxH] [--runs N] [--effects 1,7,33]
sway runs as the unprivileged account of tests/e2e/wayland.py (it refuses
root); the build tree must be readable by it."""
import argparse
import os
import statistics
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def parse(text):
    """{effect: {"d0": seconds, "first": ms}} and {effect: (seconds, pauses)} from the benchmark's tables."""
    delay0, delay10, section = {}, {}, None
    for line in text.splitlines():
        if line.startswith("Delay 0"):
            section = 0
        elif line.startswith("Delay 10"):
            section = 10
        fields = line.split()
        if not fields or not fields[0].isdigit():
            continue
        effect = int(fields[0])
        if section == 0:
            # No Name... seconds memory floor xfloor aim pixels wait sending events sends 1st [range]
            numbers = [f for f in fields if not f.startswith("(")]
            delay0[effect] = {"seconds": float(numbers[-11]), "first": float(numbers[-1])}
        elif section == 10 and "none" not in fields:
            names_end = next(i for i in range(2, len(fields)) if fields[i].replace(".", "", 1).isdigit())
            delay10[effect] = (float(fields[names_end]), float(fields[names_end + 1]))
    return delay0, delay10


def run_x11(bench, size, args):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24", "-nolisten", "tcp",
                             "-noreset"], pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        display = f.readline().strip()
    try:
        env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb")
        return subprocess.run([bench, *args], env=env, capture_output=True, text=True, timeout=1800, check=True).stdout
    finally:
        xvfb.terminate()
        xvfb.wait()


def run_wayland(bench, build, size, args):
    os.environ.setdefault("ORVANTA_TOOLS", os.path.join(build, "tools"))
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
    from wayland import Sway  # noqa: E402 -- needs ORVANTA_TOOLS first
    width, height = (int(v) for v in size.split("x"))
    with Sway(width, height) as sway:
        r = sway.run(bench, *args, timeout=1800)
        if r.returncode != 0:
            raise RuntimeError("on sway: " + r.stderr.decode(errors="replace"))
        return r.stdout.decode()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build"))
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--runs", default="3")
    parser.add_argument("--effects", default="1,7,15,17,19,27,31,32,33,34,35")
    a = parser.parse_args()
    build = os.path.abspath(a.build)
    bench = os.path.join(build, "bench", "transitions_window_bench")
    args = ["--delays", "both", "--runs", a.runs, "--effects", a.effects]
    x0, x10 = parse(run_x11(bench, a.size, args))
    w0, w10 = parse(run_wayland(bench, build, a.size, args))
    print("Transitions on a %s show window: headless sway (Wayland) against Xvfb (X11), median of %s" %
          (a.size, a.runs))
    print("%-4s %11s %11s %7s | %9s %9s %7s | %10s %10s %7s | %9s %9s" % (
        "No", "1st X11 ms", "1st Wl ms", "ratio", "D0 X11 s", "D0 Wl s", "ratio", "D10 X11 s", "D10 Wl s", "ratio",
        "X/pauses", "Wl/pauses"))
    firsts, d0s, d10s = [], [], []
    for effect in sorted(set(x0) & set(w0)):
        first = w0[effect]["first"] / max(x0[effect]["first"], 0.01)
        firsts.append(first)
        d0 = w0[effect]["seconds"] / max(x0[effect]["seconds"], 0.0001)
        d0s.append(d0)
        row = "%-4d %11.2f %11.2f %7.2f | %9.3f %9.3f %7.2f |" % (
            effect, x0[effect]["first"], w0[effect]["first"], first, x0[effect]["seconds"], w0[effect]["seconds"], d0)
        if effect in x10 and effect in w10:
            (xs, pauses), (ws, _) = x10[effect], w10[effect]
            d10s.append(ws / xs)
            row += " %10.3f %10.3f %7.3f | %9.3f %9.3f" % (xs, ws, ws / xs, xs / pauses, ws / pauses)
        print(row)
    print("median ratio Wayland / X11: first piece %.2f, Delay 0 duration %.2f, Delay 10 duration %.3f (aim <= 1.0)" %
          (statistics.median(firsts), statistics.median(d0s), statistics.median(d10s) if d10s else float("nan")))
    if d10s:
        print("worst Delay 10 ratio to the pauses: X11 %.3f, Wayland %.3f" %
              (max(x10[e][0] / x10[e][1] for e in x10), max(w10[e][0] / w10[e][1] for e in w10)))


if __name__ == "__main__":
    main()
