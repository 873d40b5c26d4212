"""What `cmake --install` and `cpack -G DEB` make of the build: the installed
files, the desktop entry, the manual page, the xscreensaver entry, the icons
and the Debian package, checked with the tools a user or a distribution runs."""
import glob
import gzip
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET

BUILD = os.environ.get("ORVANTA_BUILD_DIR", "")
SOURCE = os.environ.get("ORVANTA_SOURCE_DIR", "")
CMAKE = os.environ.get("ORVANTA_CMAKE", "cmake")
CPACK = os.environ.get("ORVANTA_CPACK", "cpack")
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def files_under(root):
    return {os.path.relpath(os.path.join(d, f), root) for d, _, fs in os.walk(root) for f in fs}


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", path + " is not a PNG"
    return struct.unpack(">II", head[16:24])


def need(tool):
    if not shutil.which(tool):
        raise unittest.SkipTest("%s is not installed (scripts/install-deps.sh --tests installs it)" % tool)


def expected_files():
    files = {
        "bin/orvanta",
        "share/man/man1/orvanta.1",
        "share/applications/orvanta.desktop",
        "share/orvanta/autostart/orvanta-idle.desktop",
        "share/icons/hicolor/scalable/apps/orvanta.svg",
        "share/xscreensaver/config/orvanta.xml",
        "share/doc/orvanta/README.md",
        "share/doc/orvanta/copyright",
    }
    files |= {"share/icons/hicolor/%dx%d/apps/orvanta.png" % (s, s) for s in ICON_SIZES}
    help_dir = os.path.join(SOURCE, "resources", "help")
    files |= {os.path.join("share/orvanta/help", f) for f in files_under(help_dir)} if os.path.isdir(help_dir) else set()
    return files


class Install(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not BUILD or not SOURCE:
            raise unittest.SkipTest("needs ORVANTA_BUILD_DIR and ORVANTA_SOURCE_DIR")
        cls.tmp = tempfile.mkdtemp(prefix="orvanta-install-")
        cls.prefix = os.path.join(cls.tmp, "prefix")
        run = subprocess.run([CMAKE, "--install", BUILD, "--prefix", cls.prefix], capture_output=True, text=True,
                             timeout=120)
        if run.returncode != 0:
            raise AssertionError("cmake --install failed: " + run.stdout + run.stderr)
        cls.install_output = run.stdout

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(getattr(cls, "tmp", ""), ignore_errors=True)

    def path(self, relative):
        return os.path.join(self.prefix, relative)

    def test_the_expected_files_and_nothing_else(self):
        self.assertEqual(files_under(self.prefix), expected_files())
        for f in expected_files():
            self.assertIn("Installing: " + self.path(f), self.install_output)
        self.assertTrue(os.access(self.path("bin/orvanta"), os.X_OK))

    def test_installed_program_answers_version_without_a_display(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        run = subprocess.run([self.path("bin/orvanta"), "--version"], capture_output=True, text=True, env=env,
                             timeout=10)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
            version = re.search(r"project\(Orvanta VERSION ([0-9.]+)", f.read()).group(1)
        self.assertEqual(run.stdout, "orvanta %s\n" % version)

    def test_icons_are_pngs_of_their_size(self):
        for size in ICON_SIZES:
            self.assertEqual(png_size(self.path("share/icons/hicolor/%dx%d/apps/orvanta.png" % (size, size))),
                             (size, size))
        ET.parse(self.path("share/icons/hicolor/scalable/apps/orvanta.svg"))

    def test_desktop_entry_is_valid_and_opens_the_settings(self):
        need("desktop-file-validate")
        entry = self.path("share/applications/orvanta.desktop")
        run = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, timeout=30)
        self.assertEqual((run.returncode, run.stdout + run.stderr), (0, ""))
        with open(entry) as f:
            values = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        # No argument is the settings mode; the program is named where it was installed.
        self.assertEqual(values["Exec"], self.path("bin/orvanta"))
        self.assertEqual(values["Icon"], "orvanta")
        self.assertEqual(values["Categories"], "Settings;DesktopSettings;")
        self.assertTrue(values["Name"] and values["Comment"])

    def test_autostart_entry_is_valid_and_runs_the_idle_launcher(self):
        need("desktop-file-validate")
        entry = self.path("share/orvanta/autostart/orvanta-idle.desktop")
        run = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, timeout=30)
        self.assertEqual((run.returncode, run.stdout + run.stderr), (0, ""))
        with open(entry) as f:
            values = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
        self.assertEqual(values["Exec"], self.path("bin/orvanta") + " --idle 10")
        # Out of the menus; started only where a user links it into ~/.config/autostart.
        self.assertEqual((values["Type"], values["NoDisplay"]), ("Application", "true"))
        self.assertNotIn("Hidden", values)
        # The time it names is one the launcher takes.
        run = subprocess.run([self.path("bin/orvanta"), "--idle", "x"], capture_output=True, text=True, timeout=10)
        self.assertEqual(run.returncode, 2)

    def test_manual_page_renders_without_warnings_and_covers_the_program(self):
        need("man")
        env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8")
        run = subprocess.run(["man", "--warnings", "-l", self.path("share/man/man1/orvanta.1")], capture_output=True,
                             text=True, env=env, timeout=60)
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        page = re.sub(r".\x08", "", run.stdout)  # overstrikes of bold and underline
        flat = re.sub(r"\s+", " ", page)
        for heading in ("NAME", "SYNOPSIS", "RUN MODES", "KEYS AND MOUSE DURING A SHOW", "ENDING A SHOW",
                        "STARTING THE SHOW WHEN THE DESKTOP IS IDLE", "FILES", "ENVIRONMENT", "EXIT STATUS"):
            self.assertRegex(page, r"(?m)^%s$" % heading)
        # Every mode the usage text lists is in the page.
        usage = subprocess.run([self.path("bin/orvanta"), "--help"], capture_output=True, text=True,
                               timeout=10).stdout
        for mode in re.findall(r"(?m)^  (\S+)(?: \S+)?  ", usage):
            self.assertIn(mode, flat)
        for key in ("Left, Up, B", "Right, Down, C", "P ", "F ", "M ", "R "):
            self.assertRegex(page, r"(?m)^ {7}%s" % re.escape(key))
        for variable in ("DISPLAY", "HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XSCREENSAVER_WINDOW",
                         "ORVANTA_AUDIO_SINK"):
            self.assertRegex(page, r"(?m)^ {7}%s\b" % variable)
        for status in ("0", "1", "255"):
            self.assertRegex(page, r"(?m)^ {7}%s {2,}" % status)
        self.assertIn('xautolock -time 10 -locker "orvanta /s"', flat)
        self.assertIn("xss-lock -- orvanta /s", flat)
        self.assertIn("SIGTERM", flat)
        self.assertIn("orvanta --idle 10", flat)
        self.assertIn("ln -s %s ~/.config/autostart/" % self.path("share/orvanta/autostart/orvanta-idle.desktop"),
                      re.sub(r"/\s+", "/", flat))
        # Installed paths name the prefix the files went to.
        self.assertIn(self.path("share/xscreensaver/config/orvanta.xml"), re.sub(r"/\s+", "/", page))

    def test_xscreensaver_entry_names_the_program(self):
        root = ET.parse(self.path("share/xscreensaver/config/orvanta.xml")).getroot()
        self.assertEqual(root.tag, "screensaver")
        self.assertEqual(root.get("name"), "orvanta")  # the command's name, as xscreensaver matches it
        self.assertEqual(root.get("_label"), "Orvanta")
        self.assertEqual([c.get("arg") for c in root.findall("command")], ["--root"])
        self.assertIn("Orvanta Settings", root.findtext("_description"))

    def test_staged_install_names_the_final_paths(self):
        # Distributions install into a staging folder (DESTDIR); the files must name /usr, not the stage.
        stage = os.path.join(self.tmp, "stage")
        run = subprocess.run([CMAKE, "--install", BUILD, "--prefix", "/usr"], capture_output=True, text=True,
                             env=dict(os.environ, DESTDIR=stage), timeout=120)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(files_under(os.path.join(stage, "usr")), expected_files())
        with open(os.path.join(stage, "usr/share/applications/orvanta.desktop")) as f:
            self.assertIn("Exec=/usr/bin/orvanta\n", f.read())
        with open(os.path.join(stage, "usr/share/orvanta/autostart/orvanta-idle.desktop")) as f:
            self.assertIn("Exec=/usr/bin/orvanta --idle 10\n", f.read())
        with open(os.path.join(stage, "usr/share/man/man1/orvanta.1")) as f:
            self.assertIn("/usr/share/xscreensaver/config/orvanta.xml", f.read().replace("\\:", ""))


class DebianPackage(unittest.TestCase):
    def test_package_holds_the_program_and_depends_on_its_libraries(self):
        if not BUILD:
            self.skipTest("needs ORVANTA_BUILD_DIR")
        need("dpkg-shlibdeps")
        need("dpkg-deb")
        out = tempfile.mkdtemp(prefix="orvanta-deb-")
        self.addCleanup(shutil.rmtree, out, True)
        run = subprocess.run([CPACK, "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", out],
                             capture_output=True, text=True, timeout=300)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        debs = glob.glob(os.path.join(out, "orvanta_*.deb"))
        self.assertEqual(len(debs), 1, os.listdir(out))
        listing = subprocess.run(["dpkg-deb", "-c", debs[0]], capture_output=True, text=True, check=True).stdout
        paths = {line.split()[-1] for line in listing.splitlines()}
        # As Debian has it: the manual page compressed, and a changelog beside the copyright file.
        packaged = {f + ".gz" if f.startswith("share/man/") else f for f in expected_files()}
        packaged.add("share/doc/orvanta/changelog.gz")
        self.assertEqual({p[len("./usr/"):] for p in paths if p.startswith("./usr/") and not p.endswith("/")},
                         packaged)
        self.assertRegex(listing, r"(?m)^-rwxr-xr-x .* \./usr/bin/orvanta$")

        def field(name):
            return subprocess.run(["dpkg-deb", "-f", debs[0], name], capture_output=True, text=True,
                                  check=True).stdout.strip()
        self.assertEqual(field("Package"), "orvanta")
        self.assertEqual(field("Maintainer"), "Orvanta developers <support@orvanta.org>")
        recommends = [r.strip() for r in field("Recommends").split(",")]
        for package in ("gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad",
                        "gstreamer1.0-plugins-ugly", "gstreamer1.0-libav", "timgm6mb-soundfont", "xdg-utils",
                        "qt6-wayland"):
            self.assertIn(package, recommends)
        # The dependencies are the shared libraries the program really links, found by dpkg-shlibdeps.
        depends = [d.strip().split()[0] for d in field("Depends").split(",")]
        for library in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libx11-6", "libpng16-16"):
            self.assertIn(library, depends)
        self.assertTrue(any(d.startswith("libjpeg62") for d in depends), depends)
        # The program in the package is stripped and runs.
        extracted = os.path.join(out, "root")
        subprocess.run(["dpkg-deb", "-x", debs[0], extracted], check=True)
        file_type = subprocess.run(["file", "-b", os.path.join(extracted, "usr/bin/orvanta")], capture_output=True,
                                   text=True).stdout
        self.assertIn("stripped", file_type)
        self.assertNotIn("not stripped", file_type)
        run = subprocess.run([os.path.join(extracted, "usr/bin/orvanta"), "--version"], capture_output=True,
                             text=True, timeout=10)
        self.assertEqual(run.returncode, 0)
        # Compressed with gzip -9n (best compression flag, no name, no time stamp), and readable.
        doc = os.path.join(extracted, "usr/share/doc/orvanta")
        page = os.path.join(extracted, "usr/share/man/man1/orvanta.1.gz")
        for path in (page, os.path.join(doc, "changelog.gz")):
            with self.subTest(path=os.path.basename(path)), open(path, "rb") as f:
                head = f.read(10)
                self.assertEqual((head[:3], head[3] & 0x08, head[4:8], head[8]), (b"\x1f\x8b\x08", 0, bytes(4), 2))
        with gzip.open(os.path.join(doc, "changelog.gz"), "rt") as f:
            self.assertTrue(f.readline().startswith("orvanta (%s) " % field("Version")))
        need("man")
        run = subprocess.run(["man", "-l", page], capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
        self.assertEqual((run.returncode, run.stderr), (0, ""))
        self.assertIn("RUN MODES", re.sub(r".\x08", "", run.stdout))
        # Debian's own checker has nothing to say about the package: no error, no warning.
        need("lintian")
        run = subprocess.run(["lintian", "--tag-display-limit", "0", debs[0]], capture_output=True, text=True,
                             timeout=600)
        complaints = [line for line in run.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual(complaints, [], run.stdout + run.stderr)


if __name__ == "__main__":
    unittest.main()
