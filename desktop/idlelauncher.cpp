#include "desktop/idlelauncher.h"

#include <algorithm>

namespace orvanta {

using std::chrono::milliseconds;

LauncherAction IdleLauncher::on(LauncherEvent event, bool showElsewhere) {
    switch (event) {
    case LauncherEvent::Idled:
        if (stopping_ || showRunning_ || showElsewhere) return LauncherAction::Nothing;
        showRunning_ = true;
        return LauncherAction::StartShow;
    case LauncherEvent::ShowEnded:
        if (!showRunning_) return LauncherAction::Nothing;
        showRunning_ = false;
        return stopping_ ? LauncherAction::End : LauncherAction::RestartCount;
    case LauncherEvent::Stop:
        if (stopping_) return LauncherAction::Nothing;
        stopping_ = true;
        return showRunning_ ? LauncherAction::StopShow : LauncherAction::End;
    }
    return LauncherAction::Nothing;
}

bool PolledIdle::read(milliseconds now, milliseconds idle, bool inhibited) {
    // Within a spell only input ends it. Inhibition starts the count afresh,
    // and so does the first reading after it: it ended somewhere between.
    if (inhibited || wasInhibited_) restart(now);
    wasInhibited_ = inhibited;
    const milliseconds counted = restarted_ ? std::min(idle, now - countFrom_) : idle;
    if (counted < time_) inSpell_ = false;
    const bool starts = !inSpell_ && counted >= time_;
    if (starts) inSpell_ = true;
    // Within a spell, input is looked for every second (or sooner, for
    // short times); outside one, the next reading comes when the time would
    // be reached.
    // While inhibited, its end is looked for every 10 s at most.
    const milliseconds wait = inhibited  ? std::min(time_, milliseconds(10000))
                              : inSpell_ ? std::min(time_, milliseconds(1000))
                                         : time_ - counted;
    next_ = std::max(wait, milliseconds(100));
    return starts;
}

void PolledIdle::restart(milliseconds now) {
    countFrom_ = now;
    restarted_ = true;
    inSpell_ = false;
}

Blanking blankingOf(const SaverReading& reading, bool disabledAtStart) {
    switch (reading.state) {
    case SaverReading::State::On: return Blanking::Free;
    case SaverReading::State::Disabled: return disabledAtStart ? Blanking::Free : Blanking::HeldOff;
    case SaverReading::State::Off:
        if (reading.serverTime.count() <= 0 || reading.idle < reading.serverTime) return Blanking::Free;
        return reading.idle < reading.serverTime + std::chrono::seconds(1) ? Blanking::Unsure : Blanking::HeldOff;
    }
    return Blanking::Free;
}

}  // namespace orvanta
