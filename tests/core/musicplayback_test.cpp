// The music of a show over a scripted player, pause timer and CD drive: the
// music list build, the orders and cycle rules, the keys, and giving up on a
// list nothing of which plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>

#include "base/WString.h"
#include "base/shuffleorder.h"
#include "music/musicfiles.h"
#include "music/musicplayback.h"
#include "tests/core/support/testenv.h"

namespace orvanta {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Plays nothing; remembers what it was asked to play and queues the
// notifications a real player would post.
class ScriptedPlayer : public MusicPlayer {
public:
    std::vector<std::string> played;   // a path, or "cd:<drive>:<track>/<count>"
    std::set<std::string> unopenable;  // refused at once
    std::set<std::string> failing;     // accepted, then reported Failed
    std::deque<PlayOutcome> posted;
    bool active = false;
    int closes = 0;

    bool playFile(const std::string& path) override { return start(path); }
    bool playCdTrack(const std::string& drive, int track, int count) override {
        return start("cd:" + drive + ":" + std::to_string(track) + "/" + std::to_string(count));
    }
    void stop() override {
        if (!active) return;
        active = false;
        posted.push_back(PlayOutcome::Stopped);
    }
    void close() override {
        ++closes;
        active = false;
        posted.clear();
    }
    // The piece playing comes to its end by itself.
    void finish() {
        ASSERT_TRUE(active);
        active = false;
        posted.push_back(failing.count(played.back()) ? PlayOutcome::Failed : PlayOutcome::Ended);
    }

private:
    bool start(const std::string& what) {
        EXPECT_FALSE(active) << "a piece started while another plays";
        played.push_back(what);
        if (unopenable.count(what)) return false;
        active = true;
        return true;
    }
};

class ScriptedGap : public GapTimer {
public:
    bool armed = false;
    int milliseconds = 0;
    void start(int ms) override {
        armed = true;
        milliseconds = ms;
    }
    void cancel() override { armed = false; }
};

class ScriptedCd : public CdDrive {
public:
    std::map<std::string, int> audioDiscs;  // drive -> track count
    std::set<std::string> unreadableToc;
    std::vector<std::string> asked;
    bool holdsAudioCd(const std::string& drive) override {
        asked.push_back(drive);
        return audioDiscs.count(drive) != 0;
    }
    std::optional<int> trackCount(const std::string& drive) override {
        if (!audioDiscs.count(drive) || unreadableToc.count(drive)) return std::nullopt;
        return audioDiscs[drive];
    }
};

class Music : public ::testing::Test {
protected:
    Music() {
        rng.seed(20240601);
        twin.seed(20240601);
    }

    std::string musicDir(const std::string& name, std::initializer_list<const char*> files) {
        fs::create_directories(tmp.path() / name);
        for (const char* f : files) tmp.write(name + "/" + f, "x");
        return (tmp.path() / name).string();
    }

    // Runs the start-up passes as the show does and starts the music.
    void build(const PumpEvents& pump = {}) {
        ASSERT_TRUE(music.prepare(cd, pump));
        ASSERT_TRUE(music.countMusic(pump));
        ASSERT_TRUE(music.buildMusicList(pump));
    }

    // Delivers the queued notifications, then lets the pause run out.
    void deliver() {
        while (!player.posted.empty()) {
            const PlayOutcome o = player.posted.front();
            player.posted.pop_front();
            music.onNotification(o);
        }
    }
    void pauseEnds() {
        ASSERT_TRUE(gap.armed) << "no pause is running";
        EXPECT_EQ(gap.milliseconds, 1200);
        gap.armed = false;
        music.onGapElapsed();
    }
    // The piece playing ends, and after the pause the next one starts.
    void nextPiece() {
        player.finish();
        deliver();
        pauseEnds();
    }
    std::string path(int index) const { return music.musicList()[static_cast<std::size_t>(index)].path(); }

    TempDir tmp;
    Settings settings;
    Mt19937 rng, twin;
    ScriptedPlayer player;
    ScriptedGap gap;
    ScriptedCd cd;
    MusicPlayback music{settings, rng, player, gap};
};

TEST_F(Music, MusicFilesAreKnownByExtensionInAnyCase) {
    for (const char* name : {"a.wav", "B.WAV", "c.Mid", "d.MIDI", "e.rmi", "f.Mp3", "g.WMA", "/x/y.z/h.mp3"})
        EXPECT_TRUE(isMusicFile(name)) << name;
    for (const char* name : {"a.ogg", "b.wav.bak", "mp3", ".mp3", "c.mp", "/x/y.mp3/z", "d.jpg", ""})
        EXPECT_FALSE(isMusicFile(name)) << name;
}

TEST_F(Music, TheListHoldsTheMusicFilesOfTheDirectoriesInUse) {
    const std::string a = musicDir("a", {"ONE.WAV", "two.Mp3", "three.MIDI", "notes.txt", "cover.jpg"});
    const std::string b = musicDir("b", {"four.wma", "five.rmi", "six.mid"});
    const std::string off = musicDir("off", {"never.wav"});
    musicDir("a/sub", {"deeper.wav"});  // subdirectories are not searched
    settings.MusicOption = 1;
    settings.musicDirs = {{a, true}, {off, false}, {tmp.str() + "/gone", true}, {b + "/", true}};
    settings.NumMusicDirs = 4;
    build();
    EXPECT_EQ(music.mode(), 1);
    EXPECT_EQ(music.directories().size(), 2u);
    std::set<std::string> names;
    for (const WFilePath& p : music.musicList()) names.insert(p.path());
    const std::set<std::string> expected = {a + "/ONE.WAV",  a + "/two.Mp3",  a + "/three.MIDI",
                                            b + "/four.wma", b + "/five.rmi", b + "/six.mid"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(music.order().size(), 6u);
}

TEST_F(Music, AtMostAHundredDirectoriesAreUsed) {
    std::vector<DirectoryEntry> entries;
    const std::string d = musicDir("d", {"a.wav"});
    for (int i = 0; i < 150; ++i) entries.push_back({d, true});
    EXPECT_EQ(usableMusicDirectories(entries, {}).directories.size(), 100u);
}

TEST_F(Music, NoMusicFileOrNoUsableDirectorySwitchesMusicOff) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("quiet", {"readme.txt"}), true}};
    build();
    EXPECT_EQ(music.mode(), 0);
    music.startMusic();
    EXPECT_TRUE(player.played.empty());

    Settings none;
    none.MusicOption = 1;
    MusicPlayback empty(none, rng, player, gap);
    ASSERT_TRUE(empty.prepare(cd, {}));
    ASSERT_TRUE(empty.countMusic({}));
    EXPECT_EQ(empty.mode(), 0);
}

TEST_F(Music, FilesAddedOrRemovedBetweenThePassesNeverOverrunTheList) {
    const std::string d = musicDir("d", {"a.wav", "b.wav"});
    settings.MusicOption = 1;
    settings.musicDirs = {{d, true}};
    ASSERT_TRUE(music.prepare(cd, {}));
    ASSERT_TRUE(music.countMusic({}));
    tmp.write("d/c.wav", "x");  // added after the count: left out
    ASSERT_TRUE(music.buildMusicList({}));
    EXPECT_EQ(music.musicList().size(), 2u);

    Settings s2;
    s2.MusicOption = 1;
    s2.musicDirs = {{d, true}};
    MusicPlayback shrinking(s2, rng, player, gap);
    ASSERT_TRUE(shrinking.prepare(cd, {}));
    ASSERT_TRUE(shrinking.countMusic({}));
    fs::remove(d + "/a.wav");
    fs::remove(d + "/b.wav");
    fs::remove(d + "/c.wav");
    ASSERT_TRUE(shrinking.buildMusicList({}));
    EXPECT_EQ(shrinking.mode(), 0);  // nothing left: no music rather than an empty list to index
}

TEST_F(Music, TheShowEndingDuringTheBuildStopsIt) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("a", {"a.wav"}), true}, {musicDir("b", {"b.wav"}), true}};
    int calls = 0;
    const PumpEvents endsAtOnce = [&] { return ++calls >= 1; };
    EXPECT_FALSE(music.prepare(cd, endsAtOnce));
    EXPECT_EQ(music.mode(), 0);

    Settings s2 = settings;
    s2.MusicOption = 1;
    MusicPlayback counting(s2, rng, player, gap);
    ASSERT_TRUE(counting.prepare(cd, {}));
    EXPECT_FALSE(counting.countMusic([] { return true; }));
    EXPECT_EQ(counting.mode(), 0);
}

// Three files over many cycles: each cycle a fresh shuffle from the identity,
// its first piece never the last of the cycle before; when the shuffle puts
// that piece first, the last position's piece plays first and last.
TEST_F(Music, ThreeFilesPlayInAFreshShuffleEachCycle) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("m", {"a.wav", "b.mp3", "c.mid"}), true}};
    build();
    music.startMusic();
    const int cycles = 200;
    for (int i = 1; i < 3 * cycles; ++i) nextPiece();
    ASSERT_EQ(player.played.size(), static_cast<std::size_t>(3 * cycles));

    int order[3];
    int last = -1, repeats = 0;
    for (int c = 0; c < cycles; ++c) {
        shuffleOrder(order, 3, true, twin);
        int first = order[0];
        if (first == last) {
            first = order[2];
            ++repeats;
        }
        const std::vector<std::string> expected = {path(first), path(order[1]), path(order[2])};
        const std::vector<std::string> got(player.played.begin() + 3 * c, player.played.begin() + 3 * c + 3);
        ASSERT_EQ(got, expected) << "cycle " << c;
        if (c > 0) {
            EXPECT_NE(got[0], player.played[static_cast<std::size_t>(3 * c - 1)]) << "cycle " << c;
        }
        last = order[2];
    }
    EXPECT_GT(repeats, 20);  // the repeat rule was really exercised
    EXPECT_EQ(music.lastOfPreviousCycle(), last);
}

TEST_F(Music, OneFileRepeats) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("m", {"only.WAV"}), true}};
    build();
    music.startMusic();
    for (int i = 0; i < 4; ++i) nextPiece();
    EXPECT_EQ(player.played, std::vector<std::string>(5, path(0)));
}

TEST_F(Music, ACdInOrderPlaysEveryTrackThenStartsAgain) {
    settings.MusicOption = 2;
    settings.CDDrvStr = "  /dev/sr1 ";
    settings.CDRandom = false;
    cd.audioDiscs["/dev/sr1"] = 5;
    build();
    EXPECT_EQ(cd.asked, std::vector<std::string>{"/dev/sr1"});  // blanks trimmed
    music.startMusic();
    for (int i = 0; i < 6; ++i) nextPiece();
    const std::vector<std::string> expected = {"cd:/dev/sr1:1/5", "cd:/dev/sr1:2/5", "cd:/dev/sr1:3/5",
                                               "cd:/dev/sr1:4/5", "cd:/dev/sr1:5/5", "cd:/dev/sr1:1/5",
                                               "cd:/dev/sr1:2/5"};
    EXPECT_EQ(player.played, expected);
}

TEST_F(Music, AShuffledCdIsReshuffledFromThePreviousOrderEachCycle) {
    settings.MusicOption = 2;
    settings.CDDrvStr = "/dev/sr0";
    settings.CDRandom = true;
    cd.audioDiscs["/dev/sr0"] = 5;
    build();
    int order[5] = {1, 2, 3, 4, 5};
    shuffleOrder(order, 5, false, twin);  // the order array made at start-up
    EXPECT_TRUE(std::equal(order, order + 5, music.order().begin()));
    music.startMusic();
    const int cycles = 40;
    for (int i = 1; i < 5 * cycles; ++i) nextPiece();
    int last = -1;
    std::set<std::vector<int>> distinctOrders;
    for (int c = 0; c < cycles; ++c) {
        shuffleOrder(order, 5, false, twin);  // from the previous order, not the identity
        distinctOrders.insert(std::vector<int>(order, order + 5));
        int first = order[0] == last ? order[4] : order[0];
        for (int k = 0; k < 5; ++k) {
            const int track = k == 0 ? first : order[k];
            ASSERT_EQ(player.played[static_cast<std::size_t>(5 * c + k)], "cd:/dev/sr0:" + std::to_string(track) + "/5")
                << "cycle " << c << " position " << k;
        }
        last = order[4];
    }
    EXPECT_GT(distinctOrders.size(), 10u);
}

TEST_F(Music, NoDiscADataDiscOrAnUnreadableTableOfContentsLeaveTheShowSilent) {
    struct Case {
        const char* drive;
        bool audio;
        bool tocReadable;
    };
    for (const Case& c : {Case{"/dev/none", false, false}, Case{"/dev/data", false, true},
                          Case{"/dev/toc", true, false}, Case{"   ", false, false}}) {
        Settings s;
        s.MusicOption = 2;
        s.CDDrvStr = c.drive;
        ScriptedCd drive;
        if (c.audio) drive.audioDiscs[trimBlanks(c.drive)] = 3;
        if (!c.tocReadable) drive.unreadableToc.insert(trimBlanks(c.drive));
        MusicPlayback m(s, rng, player, gap);
        ASSERT_TRUE(m.prepare(drive, {}));
        ASSERT_TRUE(m.countMusic({}));
        ASSERT_TRUE(m.buildMusicList({}));
        EXPECT_EQ(m.mode(), 0) << c.drive;
        const std::size_t before = player.played.size();
        m.startMusic();
        EXPECT_EQ(player.played.size(), before) << c.drive;
    }
}

class MusicKeys : public Music {
protected:
    void SetUp() override {
        settings.MusicOption = 1;
        settings.musicDirs = {{musicDir("m", {"a.wav", "b.wav", "c.wav", "d.wav"}), true}};
        build();
        music.startMusic();
    }
};

TEST_F(MusicKeys, ReplayStartsTheSamePieceAgainWithoutChangingTheOrder) {
    nextPiece();  // position 1
    const std::vector<int> order = music.order();
    const std::string playing = player.played.back();
    music.replay();
    EXPECT_FALSE(player.active);  // stopped at once
    EXPECT_FALSE(gap.armed);      // the pause starts with the notification
    deliver();
    pauseEnds();
    EXPECT_EQ(player.played.back(), playing);
    EXPECT_EQ(music.order(), order);
    nextPiece();
    EXPECT_EQ(player.played.back(), path(order[2]));  // and the order goes on from there
}

TEST_F(MusicKeys, ReplayOfTheFirstPieceOfACycleKeepsThatPieceAndTheOrder) {
    // Play cycles until the repeat rule replaces the first piece, then replay it.
    for (int i = 0; i < 400; ++i) {
        nextPiece();
        if (music.position() == 0 && player.played.back() != path(music.order()[0])) break;
    }
    ASSERT_EQ(music.position(), 0);
    const std::string playing = player.played.back();
    ASSERT_NE(playing, path(music.order()[0])) << "the repeat rule never fired";
    const std::vector<int> order = music.order();
    music.replay();
    deliver();
    pauseEnds();
    EXPECT_EQ(player.played.back(), playing);
    EXPECT_EQ(music.order(), order);
}

TEST_F(MusicKeys, ReplayPressedTwiceOrDuringThePauseReplaysTheLastPieceOnce) {
    nextPiece();
    nextPiece();  // position 2
    const std::string playing = player.played.back();
    music.replay();
    music.replay();
    deliver();
    pauseEnds();
    EXPECT_EQ(player.played.back(), playing);

    player.finish();
    deliver();  // the pause after it runs
    const std::string ended = player.played.back();
    music.replay();
    pauseEnds();
    EXPECT_EQ(player.played.back(), ended);
}

TEST_F(MusicKeys, SkipGoesOnToTheNextPieceAfterThePause) {
    nextPiece();
    const std::vector<int> order = music.order();
    music.skip();
    EXPECT_FALSE(player.active);
    deliver();
    pauseEnds();
    EXPECT_EQ(player.played.back(), path(order[2]));
    // During the pause nothing plays: the key changes nothing.
    player.finish();
    deliver();
    music.skip();
    EXPECT_TRUE(player.posted.empty());
    pauseEnds();
    EXPECT_EQ(player.played.back(), path(order[3]));
}

TEST_F(MusicKeys, AfterTheWindowClosesNothingPlaysAndTheKeysDoNothing) {
    music.stopMusic();
    EXPECT_FALSE(player.active);
    EXPECT_FALSE(gap.armed);
    const std::size_t plays = player.played.size();
    music.skip();
    music.replay();
    music.onNotification(PlayOutcome::Ended);
    music.onGapElapsed();
    EXPECT_EQ(player.played.size(), plays);
    EXPECT_FALSE(gap.armed);
}

TEST_F(Music, ANotificationThatIsNotTheCurrentPiecesIsIgnored) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("m", {"a.wav", "b.wav"}), true}};
    build();
    music.startMusic();
    player.finish();
    deliver();
    music.onNotification(PlayOutcome::Ended);  // a second report of the same end
    const int position = music.position();
    pauseEnds();
    EXPECT_EQ(music.position(), position);
    EXPECT_EQ(player.played.size(), 2u);
}

// Files that cannot be opened are skipped after the pause; when every file of
// the list fails, the retries end after one whole cycle and music is off.
TEST_F(Music, AListWhereEveryFileFailsEndsTheRetriesAfterOneCycle) {
    for (bool atOnce : {true, false}) {
        Settings s;
        s.MusicOption = 1;
        s.musicDirs = {{musicDir(atOnce ? "x" : "y", {"a.mp3", "b.wav", "c.wma"}), true}};
        ScriptedPlayer p;
        ScriptedGap g;
        MusicPlayback m(s, rng, p, g);
        ASSERT_TRUE(m.prepare(cd, {}));
        ASSERT_TRUE(m.countMusic({}));
        ASSERT_TRUE(m.buildMusicList({}));
        for (const WFilePath& f : m.musicList()) (atOnce ? p.unopenable : p.failing).insert(f.path());
        m.startMusic();
        for (int guard = 0; guard < 10 && m.mode() != 0; ++guard) {
            if (!atOnce) {
                p.finish();
                while (!p.posted.empty()) {
                    const PlayOutcome o = p.posted.front();
                    p.posted.pop_front();
                    m.onNotification(o);
                }
            }
            if (!g.armed) break;
            EXPECT_EQ(g.milliseconds, 1200);
            g.armed = false;
            m.onGapElapsed();
        }
        EXPECT_EQ(m.mode(), 0) << (atOnce ? "refused at once" : "failed later");
        EXPECT_EQ(p.played.size(), 3u);
        EXPECT_FALSE(g.armed);
        EXPECT_FALSE(p.active);
    }
}

TEST_F(Music, OneFileThatPlaysKeepsTheRetriesGoing) {
    settings.MusicOption = 1;
    settings.musicDirs = {{musicDir("m", {"bad1.mp3", "good.wav", "bad2.mp3"}), true}};
    build();
    for (const WFilePath& f : music.musicList())
        if (f.path().find("bad") != std::string::npos) player.unopenable.insert(f.path());
    music.startMusic();
    // Bad files end one cycle and begin the next again and again.
    for (int i = 0; i < 300; ++i) {
        if (player.active) player.finish();
        deliver();
        pauseEnds();
    }
    EXPECT_EQ(music.mode(), 1);
    EXPECT_GT(std::count(player.played.begin(), player.played.end(), path(0)) +
                  std::count(player.played.begin(), player.played.end(), path(1)) +
                  std::count(player.played.begin(), player.played.end(), path(2)),
              300);
}

TEST_F(Music, AnyOtherModeIsNoMusic) {
    settings.MusicOption = 7;
    build();
    music.startMusic();
    EXPECT_EQ(music.mode(), 0);
    EXPECT_TRUE(player.played.empty());
}

}  // namespace
}  // namespace orvanta
