#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandline/idleoption.h"
#include "desktop/idlelauncher.h"

namespace orvanta {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

TEST(IdleLauncher, TimeIsMinutesOrSecondsWithAnS) {
    const struct {
        const char* text;
        milliseconds time;
    } rows[] = {
        {"10", 10min},
        {"1", 1min},
        {"010", 10min},
        {"30s", 30s},
        {"1s", 1s},
        {"1440", 24h},
        {"86400s", 24h},
        // Refused: empty, zero, past a day, signs, fractions, other units,
        // blanks, an s alone, and digits enough to overflow.
        {"", 0ms},
        {"0", 0ms},
        {"0s", 0ms},
        {"1441", 0ms},
        {"86401s", 0ms},
        {"-5", 0ms},
        {"+5", 0ms},
        {"1.5", 0ms},
        {"10m", 0ms},
        {"10S", 0ms},
        {" 10", 0ms},
        {"10 ", 0ms},
        {"s", 0ms},
        {"10ss", 0ms},
        {"99999999999999999999", 0ms},
        {"1000000s", 0ms},
    };
    for (const auto& row : rows) EXPECT_EQ(idleTimeOf(row.text), row.time) << '"' << row.text << '"';
}

TEST(IdleLauncher, CommandLineNamesTheLauncherAlone) {
    const struct {
        std::vector<const char*> args;
        IdleCommand command;
        milliseconds time;
    } rows[] = {
        {{"--idle", "10"}, IdleCommand::Run, 10min},
        {{"--idle", "2s"}, IdleCommand::Run, 2s},
        {{"--idle=30s"}, IdleCommand::Run, 30s},
        {{"--idle"}, IdleCommand::Bad, 0ms},
        {{"--idle="}, IdleCommand::Bad, 0ms},
        {{"--idle", "ten"}, IdleCommand::Bad, 0ms},
        {{"--idle", "10", "/s"}, IdleCommand::Bad, 10min},
        {{"--idle=10", "10"}, IdleCommand::Bad, 10min},
        // Other modes, and words that merely begin like the option, are not the launcher.
        {{}, IdleCommand::None, 0ms},
        {{"/s"}, IdleCommand::None, 0ms},
        {{"/s", "--idle", "10"}, IdleCommand::None, 0ms},
        {{"--idler", "10"}, IdleCommand::None, 0ms},
        {{"-idle", "10"}, IdleCommand::None, 0ms},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv{"orvanta"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const IdleRequest request = idleRequestOf(static_cast<int>(argv.size()), argv.data());
        std::string shown;
        for (const char* a : row.args) shown += std::string(a) + ' ';
        EXPECT_EQ(request.command, row.command) << shown;
        if (request.command != IdleCommand::None) {
            EXPECT_EQ(request.time, row.time) << shown;
        }
    }
}

TEST(IdleLauncher, DecisionsFollowTheShowAndTheSignals) {
    using E = LauncherEvent;
    using A = LauncherAction;
    struct Step {
        E event;
        bool showElsewhere;
        A action;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
    } rows[] = {
        {"idle starts the show, its end restarts the count, idle starts it again",
         {{E::Idled, false, A::StartShow}, {E::ShowEnded, false, A::RestartCount}, {E::Idled, false, A::StartShow}}},
        {"a second idle spell during the show starts no second one",
         {{E::Idled, false, A::StartShow}, {E::Idled, false, A::Nothing}, {E::Idled, true, A::Nothing}}},
        {"a show started by hand means none of the launcher's; the next spell may",
         {{E::Idled, true, A::Nothing}, {E::Idled, false, A::StartShow}}},
        {"a stop without a show ends at once, and nothing starts after it",
         {{E::Stop, false, A::End}, {E::Idled, false, A::Nothing}}},
        {"a stop during the show ends the show first, then the launcher",
         {{E::Idled, false, A::StartShow},
          {E::Stop, false, A::StopShow},
          {E::Idled, false, A::Nothing},
          {E::Stop, false, A::Nothing},
          {E::ShowEnded, false, A::End}}},
        {"an end without a show of the launcher's is nothing",
         {{E::ShowEnded, false, A::Nothing}, {E::Idled, false, A::StartShow}}},
    };
    for (const auto& row : rows) {
        IdleLauncher launcher;
        for (std::size_t i = 0; i < row.steps.size(); ++i) {
            const Step& step = row.steps[i];
            EXPECT_EQ(launcher.on(step.event, step.showElsewhere), step.action) << row.name << ", step " << i;
        }
    }
}

TEST(IdleLauncher, PolledIdleStartsOneSpellPerIdlePeriod) {
    // Readings {now, idle, inhibited} with a 10 s time; `restart` restarts
    // the count at `now` before the reading, as the end of a show does.
    struct Reading {
        milliseconds now, idle;
        bool inhibited = false;
        bool restart = false;
        bool starts = false;
        milliseconds next{0};
    };
    const struct {
        const char* name;
        std::vector<Reading> readings;
    } rows[] = {
        {"the time reached starts a spell, once; input ends it",
         {{0s, 4s, false, false, false, 6s},
          {6s, 10s, false, false, true, 1s},
          {7s, 11s, false, false, false, 1s},
          {8s, 2s, false, false, false, 8s},
          {16s, 10s, false, false, true, 1s}}},
        {"after a restart the idle time before it does not count",
         {{0s, 10s, false, false, true, 1s}, {30s, 40s, false, true, false, 10s}, {40s, 50s, false, false, true, 1s}}},
        {"input after a restart counts from the input",
         {{0s, 12s, false, true, false, 10s}, {10s, 3s, false, false, false, 7s}, {17s, 10s, false, false, true, 1s}}},
        {"inhibition keeps the spell from starting and counts from its end",
         {{0s, 10s, true, false, false, 10s},
          {10s, 20s, true, false, false, 10s},
          {20s, 30s, false, false, false, 10s},
          {30s, 40s, false, false, true, 1s}}},
        {"readings are never closer than 100 ms", {{0s, 9950ms, false, false, false, 100ms}}},
    };
    for (const auto& row : rows) {
        PolledIdle polled(10s);
        for (std::size_t i = 0; i < row.readings.size(); ++i) {
            const Reading& r = row.readings[i];
            if (r.restart) polled.restart(r.now);
            EXPECT_EQ(polled.read(r.now, r.idle, r.inhibited), r.starts) << row.name << ", reading " << i;
            if (r.next.count() > 0) {
                EXPECT_EQ(polled.nextReading(), r.next) << row.name << ", reading " << i;
            }
        }
    }
}

TEST(IdleLauncher, BlankingIsHeldOffBySuspensionOrSwitchingOff) {
    using S = SaverReading::State;
    using B = Blanking;
    const struct {
        SaverReading reading;
        bool disabledAtStart;
        Blanking blanking;
    } rows[] = {
        // The server's own time (600 s) run out, by a second, with its saver still off: suspended.
        {{S::Off, 601s, 600s}, false, B::HeldOff},
        {{S::Off, 700s, 600s}, false, B::HeldOff},
        // Within that second the server's timer may just be firing.
        {{S::Off, 600s, 600s}, false, B::Unsure},
        {{S::Off, 600999ms, 600s}, false, B::Unsure},
        {{S::Off, 599s, 600s}, false, B::Free},
        {{S::On, 700s, 600s}, false, B::Free},
        // No server time: a suspension cannot show.
        {{S::Off, 700s, 0s}, false, B::Free},
        // Switched off since the launcher started, or already before.
        {{S::Disabled, 10s, 0s}, false, B::HeldOff},
        {{S::Disabled, 10s, 0s}, true, B::Free},
    };
    for (const auto& row : rows)
        EXPECT_EQ(blankingOf(row.reading, row.disabledAtStart), row.blanking)
            << static_cast<int>(row.reading.state) << ' ' << row.reading.idle.count() << ' '
            << row.reading.serverTime.count() << ' ' << row.disabledAtStart;
}

}  // namespace
}  // namespace orvanta
