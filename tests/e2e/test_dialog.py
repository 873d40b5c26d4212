"""The settings dialog of the real program: the run modes that open it, its
owner window, and its help pages opened through the desktop's opener."""
import os
import re
import shutil
import subprocess
import time

from harness import KEY, ShowTest, xdotool
from pictures import solid

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TITLE = "^Orvanta Settings$"
RED, SKY = (255, 0, 0), (0, 128, 255)
TOPICS = ["picture-settings.html", "picture-selection.html", "effects-overlays.html",
          "music-selection.html", "about.html", "support.html"]


class SettingsMode(ShowTest):
    def test_the_settings_arguments_open_the_dialog_and_escape_writes_nothing(self):
        for args in ([], ["/c"], ["c"], ["-C"]):
            with self.subTest(args=args):
                p = self.start(*args)
                window = self.window_of(p, TITLE)
                values = self.wait_for(lambda: self.settings().get("RanLocDisp") and self.settings(),
                                       what="the settings the dialog loads")
                self.assertEqual(values["LastAddedDir"], "")
                with open(self.registry_path, "rb") as f:
                    before = f.read()
                self.key(window, "Escape")
                self.assertEqual(self.wait_exit(p), 0)
                with open(self.registry_path, "rb") as f:
                    self.assertEqual(f.read(), before)
                self.log.close()

    def test_ok_saves_and_ends(self):
        p = self.start("/c")
        window = self.window_of(p, TITLE)
        self.wait_for(lambda: self.settings().get("RanLocDisp"), what="the settings")
        self.write_settings(dict(self.settings(), Duration="33"))  # changed behind the dialog's back
        self.key(window, "Return")  # OK is the default button
        self.assertEqual(self.wait_exit(p), 0)
        self.assertEqual(self.settings()["Duration"], "20")  # the dialog's values win

    def test_a_folder_named_in_latin1_is_kept_by_ok_and_shown(self):
        folder = os.path.join(self.dir.encode(), b"caf\xe9")
        os.makedirs(folder)
        solid(os.path.join(folder, b"\xe9t\xe9.bmp"), 64, 48, RED)
        # As an older tool wrote it: the name's bytes between the quotes.
        values = [(b"Count", b"1"), (b"ImageDir0", folder), (b"DirSet0", b"1"), (b"Splash", b"0"),
                  (b"Effects", b"0"), (b"Duration", b"30"), (b"BackColor", b"  0128255"), (b"Proportional", b"0")]
        os.makedirs(os.path.dirname(self.registry_path), exist_ok=True)
        with open(self.registry_path, "wb") as f:
            f.write(b"REGEDIT4\n\n[" + KEY.encode() + b"]\n" +
                    b"".join(b'"%s"="%s"\n' % (name, value) for name, value in values))
        p = self.start("/c")
        window = self.window_of(p, TITLE)
        self.key(window, "Return")
        self.assertEqual(self.wait_exit(p), 0)
        with open(self.registry_path, "rb") as f:
            text = f.read().decode("utf-8")  # the file stays UTF-8
        # The name is stored as the bytes of a string value (wrapped over
        # lines ending in a backslash), and only it.
        start = text.index('"ImageDir0"=hex(1):') + len('"ImageDir0"=hex(1):')
        data = re.match(r"(?:[^\n]*\\\n)*[^\n]*", text[start:]).group(0)
        self.assertEqual(bytes(int(b, 16) for b in re.split(r"[,\\\s]+", data.strip())), folder + b"\0")
        self.assertEqual(text.count("hex(1):"), 1, text)
        self.assertEqual(self.settings()["Count"], "1")
        p = self.start("/s")
        window = self.window_of(p)
        self.wait_for(lambda: self.screenshot().getpixel((512, 384)) == RED, what="the picture of the folder")
        self.assertEqual(self.screenshot().getpixel((600, 384)), SKY)
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_a_window_id_makes_the_dialog_its_transient(self):
        owner = subprocess.Popen(["xlogo", "-name", "orvanta-owner"], env=self.env, stderr=subprocess.DEVNULL)
        self.procs.append(owner)
        owner_id = self.wait_for(
            lambda: xdotool("search", "--onlyvisible", "--classname", "^orvanta-owner$", check=False).stdout.split(),
            what="the owner window")[0]
        p = self.start("/c:%s" % owner_id)
        window = self.window_of(p, TITLE)
        prop = subprocess.run(["xprop", "-id", window, "WM_TRANSIENT_FOR"], capture_output=True, text=True,
                              timeout=10).stdout
        self.assertIn(hex(int(owner_id)), prop)
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_an_unknown_window_id_is_ignored(self):
        p = self.start("/c:99999999")
        window = self.window_of(p, TITLE)
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        self.log.seek(0)
        self.assertNotIn(b"BadWindow", self.log.read())


class HelpPages(ShowTest):
    """F1 and Help with the program installed in a prefix of its own, and a
    stand-in for the desktop's opener that records what it is asked to open."""

    def setUp(self):
        super().setUp()
        prefix = os.path.join(self.dir, "prefix")
        os.makedirs(os.path.join(prefix, "bin"))
        self.program = os.path.join(prefix, "bin", "orvanta")
        shutil.copy2(os.environ["ORVANTA_BIN"], self.program)
        self.help_dir = os.path.join(prefix, "share", "orvanta", "help")
        shutil.copytree(os.path.join(SOURCE, "resources", "help"), self.help_dir)
        stand_in = os.path.join(self.dir, "stand-in")
        os.makedirs(stand_in)
        self.opened_log = os.path.join(self.dir, "opened.log")
        opener = os.path.join(stand_in, "xdg-open")
        with open(opener, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % self.opened_log)
        os.chmod(opener, 0o755)
        self.env["PATH"] = stand_in + os.pathsep + self.env.get("PATH", "")
        no_data = os.path.join(self.dir, "no-data")
        os.makedirs(no_data)
        self.env["XDG_DATA_DIRS"] = no_data  # no pages from a system-wide installation
        for var in ("BROWSER", "DEFAULT_BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                    "GNOME_DESKTOP_SESSION_ID"):
            self.env.pop(var, None)

    def opened(self):
        try:
            with open(self.opened_log) as f:
                return [line.strip() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def start_installed(self):
        self.log = open(os.path.join(self.dir, "orvanta.log"), "w+b")
        p = subprocess.Popen([self.program], env=self.env, stdout=self.log, stderr=subprocess.STDOUT)
        self.procs.append(p)
        return p

    def test_f1_and_help_open_the_page_of_each_tab(self):
        p = self.start_installed()
        window = self.window_of(p, TITLE)
        expected = []
        for tab, topic in enumerate(TOPICS):
            if tab:
                self.key(window, "ctrl+Tab")
            self.key(window, "F1")
            expected.append(topic)
            self.wait_for(lambda: len(self.opened()) == len(expected), what="the page of tab %d" % tab)
            self.key(window, "alt+h")  # the Help button
            expected.append(topic)
            self.wait_for(lambda: len(self.opened()) == len(expected), what="Help on tab %d" % tab)
        urls = self.opened()
        for url, topic in zip(urls, expected):
            self.assertEqual(url, "file://" + os.path.join(self.help_dir, topic))
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_without_the_pages_nothing_opens_and_nothing_is_reported(self):
        shutil.rmtree(self.help_dir)
        p = self.start_installed()
        window = self.window_of(p, TITLE)
        for keys in ("F1", "alt+h", "ctrl+Tab", "F1", "alt+h"):
            self.key(window, keys)
        time.sleep(1.5)
        self.assertEqual(self.opened(), [])
        self.assertIsNone(p.poll())  # the dialog goes on
        self.assertEqual(self.visible_windows(p), [window])  # no message box
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)
        self.log.seek(0)
        self.assertEqual(self.log.read().decode(errors="replace").strip(), "")


class Screenshots(ShowTest):
    def test_the_screenshot_tool_writes_one_picture_per_tab(self):
        tool = os.path.join(os.environ.get("ORVANTA_TOOLS", ""), "orvanta-dialog-shots")
        if not os.path.exists(tool):
            self.skipTest("orvanta-dialog-shots is not built")
        out = os.path.join(self.dir, "shots")
        result = subprocess.run([tool, out], env=self.env, capture_output=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        files = [os.path.join(out, "tab-%d.png" % tab) for tab in range(6)]
        sizes, contents = set(), set()
        for path in files:
            size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True,
                                  check=True, timeout=30).stdout
            sizes.add(size)
            with open(path, "rb") as f:
                contents.add(f.read())
        self.assertEqual(len(sizes), 1)  # the whole dialog each time
        width, height = map(int, sizes.pop().split())
        self.assertGreater(width, 400)
        self.assertGreater(height, 300)
        self.assertEqual(len(contents), 6)  # every tab looks different
        # The user's own settings were neither read nor written.
        self.assertEqual(self.settings(), {})
