#pragma once
// Short sounds played asynchronously through GStreamer. A missing GStreamer,
// a missing plugin or no sound device is silent: the call just returns false.
#include <QByteArray>

namespace orvanta {

// Starts playing a WAV file held in memory and returns at once; false when
// playback could not be started.
bool playSoundAsync(const QByteArray& wav);

// The program's shutter sound ("Snap"), played asynchronously.
bool playSnapSound();

// Sounds started and not yet finished (their players are released at the end).
int soundsPlaying();

}  // namespace orvanta
