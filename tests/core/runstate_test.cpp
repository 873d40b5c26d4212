// The run's phases and the one rule that admits, queues or drops what is
// asked for, without a display: every phase against every kind of request,
// the queue under a held key, the end arriving in each phase, and the pump's
// depth as the line between "now" and "afterwards".
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "base/eventpump.h"
#include "show/run/runstate.h"

namespace orvanta {
namespace {

using A = RunState::Admission;
using P = RunPhase;

// A run driven into `phase` (a decode is always within a step); the guards
// live as long as the object.
struct RunIn {
    explicit RunIn(P phase, bool noPictures = false) {
        if (noPictures) state.setNoPictures();
        if (phase != P::Starting) state.beginShow();
        if (phase == P::Changing || phase == P::Loading) change.emplace(state);
        if (phase == P::Loading) loading.emplace(state);
        if (phase == P::Ended) state.end();
    }
    RunState state;
    std::optional<RunState::Change> change;
    std::optional<RunState::Loading> loading;
};

TEST(RunState, EveryRequestInEveryPhaseStartsQueuesOrIsDropped) {
    struct Row {
        P phase;
        bool noPictures;
        bool insidePump;
        A step;  // Tick, Forward and Back alike
        A resize;
    };
    const Row rows[] = {
        {P::Starting, false, false, A::Dropped, A::Start}, {P::Starting, false, true, A::Dropped, A::Queued},
        {P::Idle, false, false, A::Start, A::Start},       {P::Idle, false, true, A::Queued, A::Queued},
        {P::Idle, true, false, A::Dropped, A::Start},      {P::Idle, true, true, A::Dropped, A::Queued},
        {P::Changing, false, true, A::Dropped, A::Queued}, {P::Changing, false, false, A::Dropped, A::Queued},
        {P::Loading, false, true, A::Queued, A::Queued},   {P::Loading, true, true, A::Dropped, A::Queued},
        {P::Ended, false, false, A::Dropped, A::Dropped},  {P::Ended, false, true, A::Dropped, A::Dropped},
    };
    for (const Row& row : rows) {
        for (Step step : {Step::Tick, Step::Forward, Step::Back}) {
            RunIn run(row.phase, row.noPictures);
            EXPECT_EQ(run.state.admit(step, row.insidePump), row.step)
                << static_cast<int>(row.phase) << " noPictures " << row.noPictures << " inside " << row.insidePump
                << " step " << static_cast<int>(step);
        }
        RunIn run(row.phase, row.noPictures);
        EXPECT_EQ(run.state.admit(Step::Resize, row.insidePump), row.resize)
            << static_cast<int>(row.phase) << " noPictures " << row.noPictures << " inside " << row.insidePump;
    }
}

TEST(RunState, KeysAndClosesActOnlyWhenNothingIsUnderWay) {
    struct Row {
        P phase;
        bool idle, changing, loading, mayClose;
    };
    const Row rows[] = {
        {P::Starting, true, false, false, false}, {P::Idle, true, false, false, false},
        {P::Changing, false, true, false, false}, {P::Loading, false, true, true, false},
        {P::Ended, false, false, false, true},
    };
    for (const Row& row : rows) {
        RunIn run(row.phase);
        EXPECT_EQ(run.state.phase(), row.phase);
        EXPECT_EQ(run.state.idle(), row.idle) << static_cast<int>(row.phase);
        EXPECT_EQ(run.state.changing(), row.changing) << static_cast<int>(row.phase);
        EXPECT_EQ(run.state.loading(), row.loading) << static_cast<int>(row.phase);
        EXPECT_EQ(run.state.mayClose(), row.mayClose) << static_cast<int>(row.phase);
    }
}

TEST(RunState, TheQueueKeepsTheLastKeyAndOneResize) {
    struct Row {
        std::vector<Step> asked;
        std::vector<Step> carriedOut;
    };
    const Row rows[] = {
        {{Step::Back, Step::Tick}, {Step::Back}},        // a tick never replaces a key's step
        {{Step::Tick, Step::Forward}, {Step::Forward}},  // a key replaces the tick
        {{Step::Tick, Step::Tick}, {Step::Tick}},
        {{Step::Forward, Step::Resize, Step::Back}, {Step::Resize, Step::Back}},  // the resize first
        {{Step::Resize, Step::Resize}, {Step::Resize}},                           // twice is once
        {{}, {}},
    };
    for (const Row& row : rows) {
        RunIn run(P::Loading);
        for (Step step : row.asked) EXPECT_EQ(run.state.admit(step, true), A::Queued);
        std::vector<Step> got;
        while (const std::optional<Step> next = run.state.takeQueued()) got.push_back(*next);
        EXPECT_EQ(got, row.carriedOut) << row.asked.size();
    }
}

TEST(RunState, AHeldKeyDuringOneDecodeIsOneStepAfterwards) {
    RunIn run(P::Loading);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(run.state.admit(i % 2 ? Step::Back : Step::Forward, true), A::Queued);
        if (i % 7 == 0) {
            EXPECT_EQ(run.state.admit(Step::Tick, true), A::Queued);
        }
    }
    run.loading.reset();
    EXPECT_EQ(run.state.phase(), P::Changing);
    EXPECT_EQ(run.state.admit(Step::Forward, true), A::Dropped);  // during the transition that follows
    run.change.reset();
    EXPECT_EQ(run.state.phase(), P::Idle);
    EXPECT_EQ(run.state.takeQueued(), std::optional<Step>(Step::Back));
    EXPECT_EQ(run.state.takeQueued(), std::nullopt);
}

TEST(RunState, TheEndArrivingInAnyPhaseIsFinal) {
    for (P phase : {P::Starting, P::Idle, P::Changing, P::Loading}) {
        RunIn run(phase);
        run.state.admit(Step::Resize, true);
        run.state.end();
        run.loading.reset();
        run.change.reset();  // the guards going out of scope do not bring the run back
        EXPECT_EQ(run.state.phase(), P::Ended) << static_cast<int>(phase);
        EXPECT_TRUE(run.state.stopRequested());
        EXPECT_EQ(run.state.takeQueued(), std::nullopt) << "nothing runs after the end";
        // A run that ended during a change stays "changing" while it closes.
        EXPECT_EQ(run.state.changing(), phase == P::Changing || phase == P::Loading) << static_cast<int>(phase);
        RunState::Change late(run.state);
        EXPECT_EQ(run.state.phase(), P::Ended);
    }
}

TEST(RunState, AChangeStartsWithoutTheExitRequestAndRestoresItsPhase) {
    RunState state;
    {
        RunState::Change resize(state);  // a new size before the first picture
        EXPECT_EQ(state.phase(), P::Changing);
    }
    EXPECT_EQ(state.phase(), P::Starting);
    state.beginShow();
    state.setExitRequested();
    EXPECT_TRUE(state.stopRequested());
    {
        RunState::Change change(state);
        EXPECT_FALSE(state.stopRequested());
        RunState::Change nested(state);  // no change starts inside another
        RunState::Loading loading(state);
        RunState::Loading again(state);
        EXPECT_EQ(state.phase(), P::Loading);
    }
    EXPECT_EQ(state.phase(), P::Idle);
    RunState::Loading outside(state);  // a decode belongs to a step
    EXPECT_EQ(state.phase(), P::Idle);
}

TEST(RunPhase, OnlyTheRunsEdgesAreTaken) {
    const P all[] = {P::Starting, P::Idle, P::Changing, P::Loading, P::Ended};
    // Rows: from; columns: to, in the order of `all`.
    const bool edges[5][5] = {
        {false, true, true, false, true},     // Starting
        {false, false, true, false, true},    // Idle
        {true, true, false, true, true},      // Changing
        {false, false, true, false, true},    // Loading
        {false, false, false, false, false},  // Ended
    };
    for (int from = 0; from < 5; ++from)
        for (int to = 0; to < 5; ++to)
            EXPECT_EQ(phaseMayChange(all[from], all[to]), edges[from][to]) << from << " -> " << to;
}

// A pump whose pending events are handlers given to it.
class ScriptedPump final : public EventPump {
public:
    std::vector<std::function<void()>> pending;
    bool runEnded = false;
    bool ended() const override { return runEnded; }

protected:
    void dispatchPending() override {
        std::vector<std::function<void()>> now;
        now.swap(pending);
        for (auto& handler : now) handler();
    }
    void nap(Clock::time_point) override {}
};

TEST(EventPump, HandlersInsideLongWorkSeeTheDepthAndAreQueued) {
    ScriptedPump pump;
    RunIn run(P::Idle);
    std::vector<A> seen;
    const auto press = [&] { seen.push_back(run.state.admit(Step::Forward, pump.depth() > 0)); };
    press();  // at the top of the event loop
    EXPECT_EQ(pump.depth(), 0);
    pump.pending.push_back(press);
    pump.pending.push_back([&] {
        pump.pending.push_back([&] { seen.push_back(pump.depth() == 2 ? A::Start : A::Dropped); });
        pump.pump();  // nested work
    });
    EXPECT_FALSE(pump.pump());
    EXPECT_EQ(pump.depth(), 0);
    EXPECT_EQ(seen, (std::vector<A>{A::Start, A::Queued, A::Start}));
    pump.runEnded = true;
    EXPECT_TRUE(pump.pump());
    EXPECT_TRUE(pump.pumpUntil(EventPump::Clock::now() + std::chrono::hours(1)));  // ends at once
    int pauses = 0;
    pump.runEnded = false;
    pump.pauseUntil(EventPump::Clock::now() + std::chrono::hours(1), [&] { return ++pauses > 3; });
    EXPECT_EQ(pauses, 4);
}

}  // namespace
}  // namespace orvanta
