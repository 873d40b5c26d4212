"""Settings files and run-time folders as users really have them: a file
exported on Windows dropped in place, lines the program does not understand,
a symbolic link from a dotfile manager, a FIFO, a lock held by another
process, a missing runtime folder; and every screen of a display is one show."""
import fcntl
import os
import signal
import subprocess
import time
import unittest

from harness import KEY, ShowTest
from pictures import solid

RED = (255, 0, 0)
SKY = (0, 128, 255)


def close(a, b, tolerance=3):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def hex_utf16(text):
    """The hex(2) form the registry editor exports an expandable string in."""
    data = (text + "\0").encode("utf-16-le")
    return ",".join("%02x" % b for b in data)


class SettingsFiles(ShowTest):
    def show_settings(self, folder):
        return {"Duration": "30", "Count": "1", "ImageDir0": folder, "DirSet0": "1", "Randomize": "0",
                "AlphaSort": "1", "Splash": "0", "Effects": "0", "Delay": "0", "AlphaMemory": "0",
                "BackColor": "  0128255", "Proportional": "0"}

    def red_picture(self):
        folder = self.picture_dir()
        path = solid(os.path.join(folder, "a.bmp"), 200, 100, RED)
        return folder, path

    def wait_red(self):
        self.wait_for(lambda: close(self.screenshot().getpixel((512, 384)), RED), 15, "the picture on screen")
        self.assertEqual(self.screenshot().getpixel((100, 100)), SKY)

    def program_output(self):
        self.log.seek(0)
        return self.log.read().decode(errors="replace")

    def raw_settings(self):
        with open(self.registry_path, "rb") as f:
            return f.read()

    def test_a_windows_export_dropped_in_place_keeps_every_value(self):
        folder, picture = self.red_picture()
        lines = [
            "Windows Registry Editor Version 5.00",
            "",
            "[%s]" % KEY,
            '@="(value not set)"',
            '"Duration"=dword:0000001e',
            '"Count"="1"',
            '"ImageDir0"="%s"' % folder.replace("\\", "\\\\"),
            '"DirSet0"=dword:00000001',
            '"Randomize"=dword:00000000',
            '"AlphaSort"="1"',
            '"Splash"=dword:00000000',
            '"Effects"=dword:00000000',
            '"Delay"=dword:00000000',
            '"AlphaMemory"="0"',
            '"BackColor"="  0128255"',
            '"Proportional"="0"',
            '"Message"="0"',
            '"MsgText"=hex(2):' + hex_utf16("%USERNAME%'s pictures"),
            '"TextFont"="14.Times New Roman.Bold"',
            "",
            "[HKEY_CURRENT_USER\\Software\\Quorrin\\Other]",
            '"Kept"="yes"',
            "",
            "",
        ]
        os.makedirs(os.path.dirname(self.registry_path), exist_ok=True)
        with open(self.registry_path, "wb") as f:
            f.write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))

        p = self.start("/s")
        window = self.window_of(p)
        self.wait_red()
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

        # The store's own file now: REGEDIT4 in UTF-8, every value kept, the dwords still dwords.
        text = self.raw_settings().decode("utf-8")
        self.assertTrue(text.startswith("REGEDIT4\n"), text[:80])
        for line in ('"Duration"=dword:0000001e', '"Randomize"=dword:00000000', '"DirSet0"=dword:00000001',
                     '"MsgText"=hex(2):25,55,53,45,52,4e,41,4d,45,25'):
            self.assertIn("\n" + line, text)
        values = self.settings()
        self.assertEqual(values["ImageDir0"], folder)
        self.assertEqual(values["LastImage"], picture)
        self.assertEqual(values["BackColor"], "  0128255")
        self.assertEqual(self.registry()["HKEY_CURRENT_USER\\Software\\Quorrin\\Other"], {"Kept": "yes"})
        self.assertNotIn("not understood", self.program_output())

    def test_a_line_not_understood_costs_nothing_and_is_kept(self):
        folder, picture = self.red_picture()
        self.write_settings(self.show_settings(folder))
        with open(self.registry_path) as f:
            lines = f.read().split("\n")
        lines.insert(5, '"FutureSetting"=qword:5')  # line 6 of the file
        with open(self.registry_path, "w") as f:
            f.write("\n".join(lines))
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_red()
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        output = self.program_output()
        self.assertIn("line 6: not understood, kept as it is: \"FutureSetting\"=qword:5", output)
        self.assertEqual(output.count("not understood"), 1, output)
        self.assertIn('\n"FutureSetting"=qword:5\n', self.raw_settings().decode())
        self.assertEqual(self.settings()["LastImage"], picture)
        self.assertEqual(self.settings()["Duration"], "30")

    def test_a_settings_file_linked_elsewhere_is_written_through_the_link(self):
        folder, picture = self.red_picture()
        self.write_settings(self.show_settings(folder))
        dotfiles = os.path.join(self.dir, "dotfiles")
        os.makedirs(dotfiles)
        target = os.path.join(dotfiles, "orvanta.reg")
        os.rename(self.registry_path, target)
        os.symlink(os.path.relpath(target, os.path.dirname(self.registry_path)), self.registry_path)
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_red()
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        self.assertTrue(os.path.islink(self.registry_path))
        self.assertEqual(self.settings()["LastImage"], picture)  # read through the link
        self.assertEqual(sorted(os.listdir(dotfiles)), ["orvanta.reg"])  # no temporary left behind

    def test_a_fifo_in_place_of_the_settings_file_never_stops_the_show(self):
        os.makedirs(os.path.dirname(self.registry_path), exist_ok=True)
        os.mkfifo(self.registry_path)
        p = self.start("/s")
        self.window_of(p)
        p.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(p), 0)
        self.assertTrue(os.path.exists(self.registry_path) and not os.path.isfile(self.registry_path))

    def test_the_show_ends_while_another_process_holds_the_settings_lock(self):
        folder, picture = self.red_picture()
        self.write_settings(self.show_settings(folder))
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_red()
        self.wait_for(lambda: self.settings().get("RanLocDisp"), what="the settings")
        before = self.raw_settings()
        with open(self.registry_path + ".lock", "rb") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            started = time.time()
            self.key(window, "Escape")
            self.assertEqual(self.wait_exit(p, timeout=15), 0)
            waited = time.time() - started
            self.assertEqual(self.raw_settings(), before)  # LastImage given up, the file as it was
        self.assertNotEqual(self.settings().get("LastImage"), picture)
        print("the show ended %.1f s after the key while the lock was held" % waited)
        # The lock and its folder are private.
        self.assertEqual(os.stat(self.registry_path + ".lock").st_mode & 0o777, 0o600)
        self.assertEqual(os.stat(os.path.dirname(self.registry_path)).st_mode & 0o777, 0o700)


class Guard(ShowTest):
    def other_screen(self):
        display = self.env["DISPLAY"]
        host, _, rest = display.rpartition(":")
        number = rest.split(".")[0]
        return "%s:%s" % (host, number) if "." in rest else "%s:%s.0" % (host, number)

    def test_every_screen_of_a_display_is_one_show(self):
        first = self.start("/s")
        self.window_of(first)
        env = dict(self.env)
        env["DISPLAY"] = self.other_screen()
        second = subprocess.Popen([os.environ["ORVANTA_BIN"], "/s"], env=env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        self.procs.append(second)
        self.assertEqual(self.wait_exit(second, timeout=10), 0)
        self.assertIsNone(first.poll())
        first.send_signal(signal.SIGTERM)
        self.assertEqual(self.wait_exit(first), 0)

    def test_the_show_runs_without_a_usable_runtime_folder(self):
        self.env["TMPDIR"] = os.path.join(self.dir, "tmp")
        os.makedirs(self.env["TMPDIR"])
        for case in ("missing", "open to others", "lock is a folder"):
            with self.subTest(case=case):
                runtime = os.path.join(self.dir, "runtime")
                if case == "missing":
                    self.env.pop("XDG_RUNTIME_DIR", None)
                elif case == "open to others":
                    self.env["XDG_RUNTIME_DIR"] = runtime
                    os.chmod(runtime, 0o777)
                else:
                    # Something else in place of the lock, in every folder the guard may use.
                    self.env["XDG_RUNTIME_DIR"] = runtime
                    os.chmod(runtime, 0o700)
                    name = "orvanta-%d-%s.lock" % (os.geteuid(), self.env["DISPLAY"].split(".")[0])
                    fallback = os.path.join(self.env["TMPDIR"], "orvanta-%d" % os.geteuid())
                    os.makedirs(os.path.join(runtime, name))
                    if os.path.isfile(os.path.join(fallback, name)):
                        os.remove(os.path.join(fallback, name))
                    os.makedirs(os.path.join(fallback, name))
                if getattr(self, "log", None):
                    self.log.close()
                p = self.start("/s")
                self.window_of(p)
                p.send_signal(signal.SIGTERM)
                self.assertEqual(self.wait_exit(p), 0)


if __name__ == "__main__":
    unittest.main()
