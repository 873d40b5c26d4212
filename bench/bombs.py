"""Picture bombs against the aim: each bomb is shown or skipped within 1 s and
300 MB above idle; the genuine large photos are shown within 1 GB above idle.

For every file of bombfiles.py it runs the show's loader (orvanta-convert on
a 1920 x 1080 screen, the show's default fitting) several times and prints
the time (median, and the spread over the runs) and the peak memory above an
idle run of the same program, against the aim (the bombs of every format:
JPEG, PNG, BMP, TIFF, camera RAW, GIF, WebP, JPEG XL and HEIF); for JPEG
files djpeg at the same scale is the reference. With --show (needs DISPLAY) it also runs the
real show over each file and prints the peak memory above an idle show and
how long a key takes to end the show when pressed while the file loads.

usage: bench/bombs.py [BUILD_DIR] [--runs N] [--folder FOLDER] [--show] [NAME...]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bombfiles  # noqa: E402

AIM = {"bomb": (1.0, 300), "photo": (None, 1024)}  # seconds, MB above idle
SCREEN = (1920, 1080)
DJPEG_TIMEOUT = 20


def run(args, timeout=120, env=None):
    """(seconds, peak resident MB, exit status, output) of one child."""
    start = time.monotonic()
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    deadline = start + timeout
    while True:
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() > deadline:
            child.kill()
            pid, status, usage = os.wait4(child.pid, 0)
            return None, usage.ru_maxrss / 1024, None, "timed out"
        time.sleep(0.002)
    elapsed = time.monotonic() - start
    return elapsed, usage.ru_maxrss / 1024, os.waitstatus_to_exitcode(status), child.stdout.read().decode().strip()


def spread(values):
    return "%6.2f [%5.2f-%5.2f]" % (statistics.median(values), min(values), max(values))


def tiny_bmp(path):
    import struct
    pixel = bytes([0, 0, 255, 0])
    head = b"BM" + struct.pack("<IHHI", 58, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 1, 1, 1, 24, 0, 4, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(head + pixel)
    return path


def djpeg_scale(path):
    """The scale the show uses for the file on the screen, from its frame header."""
    with open(path, "rb") as f:
        data = f.read(1 << 16)
    i = 2
    while i + 9 < len(data):
        marker, length = data[i + 1], int.from_bytes(data[i + 2:i + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = int.from_bytes(data[i + 5:i + 7], "big"), int.from_bytes(data[i + 7:i + 9], "big")
            d = 1
            for k in (2, 4, 8):
                if w >= k * SCREEN[0] or h >= k * SCREEN[1]:
                    d = k
            return d
        i += 2 + length
    return 1


def loader(build, files, runs, work):
    convert = os.path.join(build, "tools", "orvanta-convert")
    out = os.path.join(work, "out.bmp")
    screen = "%dx%d" % SCREEN
    idle = statistics.median(run([convert, tiny_bmp(os.path.join(work, "tiny.bmp")), out])[1] for _ in range(3))
    print("orvanta-convert --screen %s (Proportional), %d runs; idle peak %.0f MB" % (screen, runs, idle))
    print("%-14s %-6s %-22s %-10s %-24s %s" % ("file", "kind", "time s (median [min-max])", "peak MB", "result",
                                             "aim / reference"))
    verdicts = []
    for name, (path, kind) in files.items():
        times, peaks, result = [], [], ""
        for _ in range(runs):
            seconds, peak, status, output = run([convert, "--screen", screen, path, out])
            times.append(seconds if seconds is not None else float("inf"))
            peaks.append(peak - idle)
            result = ("shown " + output.split()[0]) if status == 0 else "skipped" if status == 1 else output
        limit_s, limit_mb = AIM[kind]
        ok = (limit_s is None or statistics.median(times) <= limit_s) and max(peaks) <= limit_mb
        verdicts.append(ok)
        aim = ("<= %.0f s, " % limit_s if limit_s else "") + "<= %d MB" % limit_mb
        reference = ""
        if path.endswith(".jpg") and shutil.which("djpeg"):
            scale = djpeg_scale(path)
            seconds, peak, status, _ = run(["djpeg", "-scale", "1/%d" % scale, "-bmp", "-outfile", out, path],
                                           timeout=DJPEG_TIMEOUT)
            reference = "; djpeg 1/%d: %s, %.0f MB" % (
                scale, "%.2f s" % seconds if seconds is not None else "> %d s" % DJPEG_TIMEOUT, peak - idle)
        print("%-14s %-6s %-22s %5.0f      %-24s %s %s%s" % (name, kind, spread(times), max(peaks), result, aim,
                                                          "met" if ok else "MISSED", reference))
    return all(verdicts)


def show_env(work):
    env = dict(os.environ)
    for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                     ("XDG_RUNTIME_DIR", "runtime")):
        path = os.path.join(work, sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[var] = path
    return env


def write_settings(env, folder):
    key = r"HKEY_CURRENT_USER\Software\Quorrin\Orvanta\4.0"
    values = {"Duration": "2", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0", "AlphaSort": "1",
              "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0", "Proportional": "1", "Count": "1"}
    path = os.path.join(env["XDG_CONFIG_HOME"], "orvanta", "HKEY_CURRENT_USER.reg")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    lines = ["REGEDIT4", "", "[" + key + "]"] + ['"%s"="%s"' % (k, v.replace("\\", "\\\\")) for k, v in values.items()]
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def show_once(binary, work, picture, hold):
    """Starts a show of a small picture followed by picture, presses a key
    hold seconds after the window appears; (peak MB, seconds from the key to
    the end)."""
    folder = os.path.join(work, "pictures")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    tiny_bmp(os.path.join(folder, "1.bmp"))
    if picture:
        os.symlink(picture, os.path.join(folder, "2" + os.path.splitext(picture)[1]))
    env = show_env(work)
    write_settings(env, folder)
    child = subprocess.Popen([binary, "/s"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(child.pid), "--name",
                            "^Form1$"], capture_output=True, text=True, timeout=60, env=env).stdout.split()
    time.sleep(hold)
    pressed = time.monotonic()
    if found:
        subprocess.run(["xdotool", "windowfocus", found[0], "key", "--clearmodifiers", "x"], env=env, timeout=10,
                       capture_output=True)
    ended = None
    while True:
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid:
            ended = time.monotonic() - pressed
            break
        if time.monotonic() - pressed > 30:
            child.kill()
            pid, status, usage = os.wait4(child.pid, 0)
            break
        time.sleep(0.002)
    return usage.ru_maxrss / 1024, ended


def show(build, files, runs, work):
    binary = os.path.join(build, "orvanta")
    idle = statistics.median(show_once(binary, work, None, 3.0)[0] for _ in range(2))
    print()
    print("the show (1 x 1 picture, then the file; Duration 2, Proportional), %d runs; idle peak %.0f MB" % (runs, idle))
    print("%-14s %-6s %-30s %-30s %s" % ("file", "kind", "key while loading: end s, MB", "after showing it: end s, MB",
                                        "aim"))
    for name, (path, kind) in files.items():
        early, late = [], []
        for _ in range(runs):
            early.append(show_once(binary, work, path, 0.05))
            late.append(show_once(binary, work, path, 3.0))
        def summary(results):
            ends = [e for _, e in results if e is not None]
            return "%s, %5.0f" % (spread(ends) if ends else "   did not end", max(p for p, _ in results) - idle)
        limit_s, limit_mb = AIM[kind]
        print("%-14s %-6s %-30s %-30s key <= 0.5 s, <= %d MB" % (name, kind, summary(early), summary(late), limit_mb))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("names", nargs="*", help="files of bombfiles.py (default: all)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--folder", help="where the files are made and kept (default: BUILD_DIR/bench-bombs)")
    parser.add_argument("--show", action="store_true", help="also measure in a running show (needs DISPLAY)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    folder = args.folder or os.path.join(build, "bench-bombs")
    files = bombfiles.make(folder, args.names or None)
    work = tempfile.mkdtemp(prefix="orvanta-bombs-")
    try:
        met = loader(build, files, args.runs, work)
        if args.show:
            if not os.environ.get("DISPLAY"):
                print("--show needs DISPLAY")
            else:
                show(build, files, max(1, args.runs // 2), work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
