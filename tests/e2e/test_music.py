"""Music during the show, end to end: the real program plays generated tones
through GStreamer into a raw recording (ORVANTA_AUDIO_SINK), and the test
reads the recording back: which tone each piece was, and, from when the file
grew, the pauses between pieces and when the sound stopped.

The sink writes unbuffered with sync=true, so every block of samples reaches
the file when it is heard; a thread notes the file's size against the clock,
which turns byte offsets into times. Between pieces the player is idle and the
file does not grow: a pause is a stretch of time without growth."""
import math
import os
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
import unittest
import wave

from harness import TOOLS, ShowTest, xdotool
from pictures import solid

RATE = 16000  # the recording: mono, signed 16-bit little-endian
BYTES_PER_SECOND = 2 * RATE
SINK = ("audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=%d "
        "! filesink location=%%s append=true sync=true buffer-mode=unbuffered" % RATE)
GAP = 1.2


def pause_between(a, b):
    """The silence between two segments. A piece ends no earlier than its last
    write (a block is written as it starts to sound), and the next one starts
    no later than its first write: on a busy machine both writes may be noted
    a little late, hence the tolerance of the bands below."""
    return b.start - a.last_write


def about(pause, pauses):
    """Whether pause is about that many pauses between pieces."""
    return GAP * pauses - 0.1 < pause < GAP * pauses + 0.7
RED, GREEN = (255, 0, 0), (0, 255, 0)
registry_dir = None


def setUpModule():
    # Every test has a fresh home; one plugin registry for all of them spares
    # each run GStreamer's scan of its plugins.
    global registry_dir
    registry_dir = tempfile.mkdtemp(prefix="orvanta-gst-")


def tearDownModule():
    shutil.rmtree(registry_dir, ignore_errors=True)


def write_tone(path, freq, seconds, rate=22050):
    frames = int(seconds * rate)
    samples = struct.pack("<%dh" % frames,
                          *(int(9000 * math.sin(2 * math.pi * freq * i / rate)) for i in range(frames)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(samples)


def write_mp3_tone(path, freq, seconds):
    buffers = int(seconds * 44100 / 1024)
    subprocess.run(["gst-launch-1.0", "-q", "audiotestsrc", "freq=%d" % freq, "volume=0.3",
                    "num-buffers=%d" % buffers, "!", "audioconvert", "!", "lamemp3enc", "!",
                    "filesink", "location=" + path], check=True, timeout=60, capture_output=True)


def goertzel(samples, freq):
    """The power of one frequency in the samples."""
    k = 2 * math.cos(2 * math.pi * freq / RATE)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + k * s1 - s2, s1
    return s1 * s1 + s2 * s2 - k * s1 * s2


class Segment:
    """One stretch of sound: from its first write to the end of its last block."""

    def __init__(self, start, last_write, end, first_byte, last_byte, samples):
        self.start, self.last_write, self.end = start, last_write, end
        self.first_byte, self.last_byte = first_byte, last_byte
        self.seconds = (last_byte - first_byte) / BYTES_PER_SECOND
        self.samples = samples

    def tone(self, candidates):
        """The candidate frequency that dominates the middle of the segment, or None."""
        n = len(self.samples)
        middle = self.samples[n // 4: 3 * n // 4]
        if len(middle) < RATE // 20 or max(abs(x) for x in middle) < 500:
            return None
        powers = sorted(((goertzel(middle, f), f) for f in candidates), reverse=True)
        return powers[0][1] if powers[0][0] > 20 * powers[1][0] else None

    def __repr__(self):
        return "Segment(%.2f-%.2f, %.2fs of sound)" % (self.start, self.end, self.seconds)


class Recorder:
    """Notes the size of the recording against the monotonic clock."""

    def __init__(self, path):
        self.path = path
        self.timeline = []  # (time, size) at each change
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        last = None
        while not self._stop.is_set():
            try:
                size = os.path.getsize(self.path)
            except OSError:
                size = 0
            if size != last:
                self.timeline.append((time.monotonic(), size))
                last = size
            time.sleep(0.002)

    def stop(self):
        self._stop.set()
        self._thread.join()

    def last_write(self):
        return self.timeline[-1][0] if self.timeline and self.timeline[-1][1] > 0 else None

    def segments(self, min_pause=0.35):
        """The finished segments: those followed by at least min_pause of silence,
        and once the recorder is stopped the last one too."""
        timeline = list(self.timeline)
        now = time.monotonic()
        try:
            with open(self.path, "rb") as f:
                data = f.read()
        except FileNotFoundError:
            return []
        writes = [(t, size) for t, size in timeline if size > 0]
        result, run = [], []
        prev_size = 0
        for i, (t, size) in enumerate(writes):
            if run and t - run[-1][0] > min_pause:
                result.append(run)
                run = []
            run.append((t, size, prev_size))
            prev_size = size
        if run and (self._stop.is_set() or now - run[-1][0] > min_pause):
            result.append(run)
        segments = []
        for run in result:
            first_byte = run[0][2]
            last_byte = run[-1][1]
            last_block = (run[-1][1] - run[-1][2]) / BYTES_PER_SECOND
            count = (last_byte - first_byte) // 2
            samples = struct.unpack_from("<%dh" % count, data, first_byte) if count else ()
            segments.append(Segment(run[0][0], run[-1][0], run[-1][0] + last_block, first_byte, last_byte, samples))
        return segments


class Music(ShowTest):
    def setUp(self):
        super().setUp()
        self.recording = os.path.join(self.dir, "out.raw")
        self.env["ORVANTA_AUDIO_SINK"] = SINK % self.recording
        self.env["GST_REGISTRY_1_0"] = os.path.join(registry_dir, "registry.bin")
        self.recorder = None

    def tearDown(self):
        if self.recorder:
            self.recorder.stop()
        super().tearDown()

    def music_dir(self):
        path = os.path.join(self.dir, "music")
        os.makedirs(path, exist_ok=True)
        return path

    def start_show(self, music, **values):
        pictures = self.picture_dir()
        solid(os.path.join(pictures, "a.bmp"), 32, 24, RED)
        solid(os.path.join(pictures, "b.bmp"), 32, 24, GREEN)
        settings = {"Duration": "60", "Count": "1", "ImageDir0": pictures, "DirSet0": "1", "Randomize": "0",
                    "AlphaSort": "1", "AlphaMemory": "0", "Splash": "0", "Effects": "0", "Stretch": "1",
                    "MusicOption": "1", "NumMusicDirs": "1", "MusicDir0": music, "MusicDirSet0": "1"}
        settings.update(values)
        self.write_settings(settings)
        self.recorder = Recorder(self.recording)
        p = self.start("/s")
        return p, self.window_of(p)

    def wait_segments(self, count, timeout):
        return self.wait_for(lambda: (lambda s: s if len(s) >= count else None)(self.recorder.segments()),
                             timeout, "%d pieces of music" % count)

    def wait_sound_after(self, t, timeout=20):
        """The time of the first write after t."""
        def first():
            later = [w for w, size in list(self.recorder.timeline) if w > t and size > 0]
            return later[0] if later else None
        return self.wait_for(first, timeout, "music to play")

    def assert_stops_at(self, playing, ended, p):
        """Music was playing just before playing, the show was told to end
        between then and ended, and the sound stopped within 100 ms of that."""
        self.assertEqual(self.wait_exit(p), 0)
        time.sleep(0.3)
        self.recorder.stop()
        writes = [t for t, size in self.recorder.timeline if size > 0]
        self.assertTrue(any(playing - 0.15 < t <= playing for t in writes), "no music was playing at the end")
        late = self.recorder.last_write() - ended
        self.assertLessEqual(late, 0.1, "the music went on %.3f s after the show ended" % late)

    def test_a_cycle_plays_every_file_once_with_pauses_between(self):
        if not shutil.which("gst-launch-1.0"):
            self.skipTest("gst-launch-1.0 (to make the MP3 file) is not installed")
        music = self.music_dir()
        tones = {"a.wav": 440, "b.wav": 660, "C.WAV": 880}  # an upper-case extension too
        for name, freq in tones.items():
            write_tone(os.path.join(music, name), freq, 2.0)
        write_mp3_tone(os.path.join(music, "d.mp3"), 1100, 2.0)
        with open(os.path.join(music, "damaged.mp3"), "wb") as f:
            f.write(b"\xff\xfb\x90\x00" + bytes(range(256)) * 40)  # a frame header, then noise
        with open(os.path.join(music, "notes.txt"), "w") as f:
            f.write("not music")
        candidates = sorted(list(tones.values()) + [1100])

        p, _ = self.start_show(music)
        segments = self.wait_segments(5, 60)
        heard = [s.tone(candidates) for s in segments]
        self.assertNotIn(None, heard, segments)
        # The first cycle: every playable file once, each to its end.
        self.assertEqual(sorted(heard[:4]), candidates, segments)
        for s in segments[:4]:
            self.assertGreater(s.seconds, 1.8, s)
        # Pauses of 1.2 s between pieces; the damaged file is skipped after one
        # more pause of its own (it is tried once per cycle).
        pauses = [pause_between(a, b) for a, b in zip(segments, segments[1:])]
        for pause in pauses:
            self.assertTrue(about(pause, 1) or about(pause, 2), pauses)
        self.assertLessEqual(sum(1 for pause in pauses[:3] if about(pause, 2)), 1, pauses)
        # The next cycle does not begin with the piece that ended the last one.
        if about(pauses[3], 1):
            self.assertNotEqual(heard[4], heard[3], segments)
        self.key(self.window_of(p), "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_a_format_whose_plugin_is_missing_is_skipped(self):
        if not shutil.which("gst-launch-1.0"):
            self.skipTest("gst-launch-1.0 (to make the MP3 file) is not installed")
        music = self.music_dir()
        write_tone(os.path.join(music, "a.wav"), 440, 1.0)
        write_mp3_tone(os.path.join(music, "b.mp3"), 1100, 1.0)
        # As if no MP3 decoder were installed: none of them is ever chosen.
        decoders = ["mpg123audiodec", "avdec_mp3", "avdec_mp3float", "avdec_mp3adu", "avdec_mp3adufloat",
                    "avdec_mp3on4", "avdec_mp3on4float", "mad", "flump3dec"]
        self.env["GST_PLUGIN_FEATURE_RANK"] = ",".join(d + ":NONE" for d in decoders)
        p, window = self.start_show(music)
        segments = self.wait_segments(3, 40)
        self.assertEqual([s.tone([440, 1100]) for s in segments], [440] * len(segments), segments)
        pauses = [pause_between(a, b) for a, b in zip(segments, segments[1:])]
        # The MP3's turns are skipped at once, each adding one pause of its own.
        self.assertTrue(any(about(pause, 2) or about(pause, 3) for pause in pauses), pauses)
        for pause in pauses:
            self.assertTrue(about(pause, 1) or about(pause, 2) or about(pause, 3), pauses)
        self.assertIsNone(p.poll())
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)

    def test_m_cuts_a_piece_short_and_r_plays_it_again_and_a_key_ends_it_at_once(self):
        music = self.music_dir()
        tones = {"a.wav": 440, "b.wav": 660, "c.wav": 880}
        for name, freq in tones.items():
            write_tone(os.path.join(music, name), freq, 4.0)
        candidates = sorted(tones.values())
        p, window = self.start_show(music)

        first = self.wait_sound_after(0, timeout=30)
        time.sleep(0.8)
        self.key(window, "r")
        second = self.wait_sound_after(first + 1.0)
        time.sleep(0.8)
        self.key(window, "m")
        third = self.wait_sound_after(second + 1.0)
        time.sleep(0.8)
        xdotool("windowfocus", "--sync", window, check=False)
        playing = time.monotonic()
        xdotool("key", "Escape")
        self.assert_stops_at(playing, time.monotonic(), p)

        segments = self.recorder.segments()
        self.assertEqual(len(segments), 3, segments)
        heard = [s.tone(candidates) for s in segments]
        self.assertNotIn(None, heard, segments)
        # R: the piece stops, and after the pause the same tone starts again.
        self.assertLess(segments[0].seconds, 2.5, segments)
        self.assertEqual(heard[1], heard[0])
        # M: the piece stops, and after the pause the next one comes.
        self.assertLess(segments[1].seconds, 2.5, segments)
        self.assertNotEqual(heard[2], heard[1])
        for a, b in zip(segments, segments[1:]):
            self.assertTrue(about(pause_between(a, b), 1), segments)

    def test_sigterm_and_the_close_message_stop_the_music_at_once(self):
        music = self.music_dir()
        write_tone(os.path.join(music, "long.wav"), 440, 10.0)
        for how in ("signal", "close message"):
            with self.subTest(how=how):
                if os.path.exists(self.recording):
                    os.remove(self.recording)
                p, window = self.start_show(music)
                self.wait_sound_after(0, timeout=30)
                time.sleep(0.5)
                playing = time.monotonic()
                if how == "signal":
                    p.send_signal(signal.SIGTERM)
                else:
                    subprocess.run([os.path.join(TOOLS, "orvanta-close"), window, "5190374"], check=True,
                                   timeout=10)
                self.assert_stops_at(playing, time.monotonic(), p)

    def shown_at(self, colour):
        """When the screenshot that first shows the picture of that colour was
        begun, or None while it is not shown. xwd reads the screen within
        moments of that start; turning its dump into pixels takes far longer,
        and that time is not the show's."""
        begun = time.monotonic()
        return begun if self.screenshot().getpixel((1000, 380)) == colour else None

    def test_the_show_goes_on_during_the_pause_between_pieces(self):
        # Pieces of 2 s; the wipe from left to right takes about half a second.
        music = self.music_dir()
        write_tone(os.path.join(music, "a.wav"), 440, 2.0)
        write_tone(os.path.join(music, "b.wav"), 660, 2.0)
        p, window = self.start_show(music, Effects="1", Delay="4", Transitions="1" + "0" * 34)
        self.wait_for(lambda: self.screenshot().getpixel((1000, 380)) == RED, 20, "the first picture")
        start = self.wait_sound_after(0, timeout=30)
        # Right shortly before the piece ends: its end is reported while the
        # transition runs, and the transition goes on to its end at once.
        time.sleep(max(0.0, start + 1.85 - time.monotonic()))
        self.key(window, "Right")
        shown = self.wait_for(lambda: self.shown_at(GREEN), 10, "the second picture")
        following = self.wait_sound_after(start + 2.1)
        self.assertLess(shown, following, "the transition waited for the pause to end")
        # Left during the pause: the show steps back before the next piece starts.
        ended = self.wait_for(lambda: (lambda s: s[-1].end if len(s) >= 2 else None)(self.recorder.segments(0.15)),
                              10, "the end of the second piece")
        self.key(window, "Left")
        shown = self.wait_for(lambda: self.shown_at(RED), 10, "the first picture again")
        following = self.wait_sound_after(ended + 0.2)
        self.assertLess(shown, following, "the step waited for the pause to end")
        self.key(window, "Escape")
        self.assertEqual(self.wait_exit(p), 0)


if __name__ == "__main__":
    unittest.main()
