#pragma once
// Sound made and measured by the player tests: sine tones as PCM, WAV files
// and a five-track audio-CD image (cue sheet and raw data), and the dominant
// frequency of a mono 16-bit recording.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <cstdint>

namespace orvanta::test {

inline constexpr int kRecordRate = 16000;

// The recording pipeline for ORVANTA_AUDIO_SINK: mono 16-bit samples at
// kRecordRate appended to the file, as fast as they come or, in real time,
// at the pace of a sound card.
inline QByteArray recordingSink(const QString& file, bool realTime = false) {
    return QByteArray(
               "audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=16000 ! "
               "filesink append=true sync=") +
           (realTime ? "true" : "false") + " location=" + file.toUtf8();
}

inline QByteArray pcmTone(int frequency, double seconds, int rate, int channels) {
    QByteArray pcm;
    const int frames = static_cast<int>(seconds * rate);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(9000 * std::sin(2 * M_PI * frequency * i / rate));
        for (int c = 0; c < channels; ++c) pcm.append(reinterpret_cast<const char*>(&v), 2);
    }
    return pcm;
}

inline void put32(QByteArray& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.append(static_cast<char>(v >> (8 * i)));
}
inline void put16(QByteArray& b, std::uint16_t v) {
    b.append(static_cast<char>(v));
    b.append(static_cast<char>(v >> 8));
}

inline QByteArray wavTone(int frequency, double seconds) {
    const int rate = 22050;
    const QByteArray pcm = pcmTone(frequency, seconds, rate, 1);
    QByteArray w("RIFF");
    put32(w, static_cast<std::uint32_t>(36 + pcm.size()));
    w.append("WAVEfmt ");
    put32(w, 16);
    put16(w, 1);
    put16(w, 1);
    put32(w, rate);
    put32(w, rate * 2);
    put16(w, 2);
    put16(w, 16);
    w.append("data");
    put32(w, static_cast<std::uint32_t>(pcm.size()));
    return w + pcm;
}

// The dominant frequency of recorded mono S16LE samples, from zero crossings.
inline double frequencyOf(const QByteArray& raw) {
    const auto* s = reinterpret_cast<const std::int16_t*>(raw.constData());
    const qsizetype n = raw.size() / 2;
    if (n < kRecordRate / 10) return 0;
    int crossings = 0;
    for (qsizetype i = n / 10 + 1; i < n - n / 10; ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
    return crossings / 2.0 / ((n - 2 * (n / 10)) / double(kRecordRate));
}

// The recording made so far, removed so that the next one starts empty.
inline QByteArray takeRecording(const QString& file) {
    QFile f(file);
    QByteArray data;
    if (f.open(QIODevice::ReadOnly)) data = f.readAll();
    f.close();
    QFile::remove(file);
    return data;
}

inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
    return f.fileName();
}

// Five tracks of two seconds in folder: 440, 550, 660, 770 and 880 Hz. The
// path of the cue sheet.
inline QString audioDiscImage(const QString& folder) {
    QByteArray bin;
    QByteArray cue("FILE \"disc.bin\" BINARY\n");
    for (int t = 0; t < 5; ++t) {
        cue += QByteArray("  TRACK 0") + QByteArray::number(t + 1) +
               " AUDIO\n    INDEX 01 00:" + QByteArray::number(2 * t).rightJustified(2, '0') + ":00\n";
        bin += pcmTone(440 + 110 * t, 2.0, 44100, 2);
    }
    writeFile(folder + "/disc.bin", bin);
    return writeFile(folder + "/disc.cue", cue);
}

}  // namespace orvanta::test
