// Search-control arithmetic: the time allotment and hard limit, the clock
// after the engine's move, and the ponder-hit test.
#include <string>

#include "test_support.h"

namespace corvane::test {
namespace {

struct Allotment {
    std::uint32_t Target, Limit;
    bool operator==(const Allotment&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Allotment& a) {
    return out << a.Target << "/" << a.Limit;
}

// The allotment for a clock setting after `moves` plies of the game.
Allotment Allot(Game& g, std::uint32_t clock, std::uint32_t addend, Word movesPerPeriod, int plies,
                Byte ponder = 0) {
    FrontEnd& fe = *g.Front;
    fe.EngineClock = clock;
    fe.ClockAddend = addend;
    fe.MovesPerPeriod = movesPerPeriod;
    fe.PonderEnabled = ponder;
    g.First().GameMoveCount = static_cast<Word>(plies);
    ComputeAllotment(fe);
    return {fe.Allotment, fe.HardLimit};
}

TEST(SearchControl, AllotmentForEachKindOfClock) {
    Game g;
    // Ten minutes for the game.
    EXPECT_EQ(Allot(g, 60000, 0, 0, 0), (Allotment{877, 9950}));
    EXPECT_EQ(Allot(g, 60000, 0, 0, 0, 1), (Allotment{877 + 468, 9950}));  // pondering adds T/128
    // Five minutes plus 3 seconds a move ("level 0 5 3").
    EXPECT_EQ(Allot(g, 30000, 300, 0, 10), (Allotment{180 + 436, 5000}));
    // A large increment: the hard limit never passes the clock less the reserve.
    EXPECT_EQ(Allot(g, 1000, 6000, 0, 10), (Allotment{3600 + 10, 700}));

    // 40 moves in 5 minutes ("level 40 5 0"), the engine's first move ...
    EXPECT_EQ(Allot(g, 30000, 5, 40, 0), (Allotment{413, 14850}));
    EXPECT_EQ(Allot(g, 30000, 5, 40, 1), (Allotment{413, 14850}));  // ... also as Black
    // ... and its 40th: the whole clock, stopped only 3 seconds before the end.
    EXPECT_EQ(Allot(g, 30000, 5, 40, 78), (Allotment{30000, 29700}));
    // The 41st move starts a new period of 40.
    EXPECT_EQ(Allot(g, 30000, 5, 40, 80), (Allotment{413, 14850}));
    EXPECT_EQ(Allot(g, 30000, 5, 40, 0, 1), (Allotment{4 * (724 + 234) / 7, 14850}));

    // Three seconds or less: move after the minimum search.
    for (Word m : {Word{0}, Word{40}}) {
        EXPECT_EQ(Allot(g, 300, 300, m, 78), (Allotment{0, 0})) << m;
        EXPECT_EQ(Allot(g, 0, 0, m, 0), (Allotment{0, 0})) << m;
    }
    EXPECT_EQ(Allot(g, 301, 0, 0, 0), (Allotment{0, 0}));
    EXPECT_EQ(Allot(g, 301, 0, 40, 78), (Allotment{301, 1}));
}

TEST(SearchControl, DepthLimitedClockNeverWrapsAround) {
    Game g;
    // "sd" sets the clock to its largest value so that only the depth limits
    // the search; an increment must not wrap the hard limit to seconds.
    const Allotment a = Allot(g, 4294967295u, 1000, 0, 4);
    EXPECT_EQ(a.Limit, (1000ull + 4294967295ull - 300) / 6);
    EXPECT_GT(a.Target, 60000000u);
    const Allotment b = Allot(g, 4294967295u, 5, 40, 4, 1);
    EXPECT_EQ(b.Limit, (4294967295u - 300) / 2);
    EXPECT_GT(b.Target, 60000000u);

    // Nor does the clock after the move.
    FrontEnd& fe = *g.Front;
    fe.EngineClock = 4294967295u;
    fe.ClockAddend = 300;
    fe.MovesPerPeriod = 0;
    fe.Elapsed = 1000;
    ChargeClock(fe);
    EXPECT_EQ(fe.EngineClock, 4294967295u - 1000);
}

TEST(SearchControl, ClockAfterTheMove) {
    Game g;
    FrontEnd& fe = *g.Front;
    Engine& e = g.First();
    struct Case {
        std::uint32_t Clock, Addend;
        Word Moves;
        int Plies;
        std::uint32_t Elapsed, Expected;
    };
    const Case cases[] = {
        {60000, 0, 0, 0, 877, 59123},        // no increment
        {30000, 300, 0, 7, 1000, 29300},     // the increment is added first
        {500, 300, 0, 7, 800, 5},            // as long as the clock: never 0
        {500, 0, 0, 7, 499, 1},              // just inside
        {500, 0, 0, 7, 9000, 5},             // far over
        {30000, 5, 40, 78, 1000, 59000},     // the 40th move adds the next period
        {30000, 5, 40, 79, 1000, 59000},     // also as Black
        {30000, 5, 40, 76, 1000, 29000},     // the 39th does not
    };
    for (const Case& c : cases) {
        fe.EngineClock = c.Clock;
        fe.ClockAddend = c.Addend;
        fe.MovesPerPeriod = c.Moves;
        e.GameMoveCount = static_cast<Word>(c.Plies);
        fe.Elapsed = c.Elapsed;
        ChargeClock(fe);
        EXPECT_EQ(fe.EngineClock, c.Expected) << c.Clock << " " << c.Elapsed << " ply " << c.Plies;
    }
    // UpdateClock reads the stopwatch first.
    fe.EngineClock = 60000;
    fe.MovesPerPeriod = 0;
    fe.ClockAddend = 0;
    StartStopwatch(fe);
    fe.Elapsed = 99999;
    UpdateClock(fe);
    EXPECT_LT(fe.Elapsed, 1000u);
    EXPECT_EQ(fe.EngineClock, 60000u - fe.Elapsed);
}

// The engine has Black and has pondered on `predicted` (from, to and
// promotion code in its orientation); the opponent plays `line`.
Byte HitAfter(Game& g, const char* line, Byte from, Byte to, Byte promotion, Byte state = 0, Byte enabled = 1) {
    FrontEnd& fe = *g.Front;
    fe.PonderEnabled = enabled;
    fe.PonderState = state;
    fe.PonderMove[0] = from;
    fe.PonderMove[1] = to;
    fe.PonderMove[2] = promotion;
    std::snprintf(fe.WorkLine, LineCapacity, "%s", line);
    ApplyGameMove(fe, 1);
    PonderHitTest(fe);
    return fe.PonderState;
}

TEST(SearchControl, PonderHit) {
    {
        Game g;
        EXPECT_EQ(HitAfter(g, "e2e4", 148, 116, 0), 1);
        EXPECT_EQ(g.Front->PonderMove[0], NoPonderMove);  // used up
    }
    {
        Game g;
        EXPECT_EQ(HitAfter(g, "d2d4", 148, 116, 0), 0);
    }
    {
        Game g;  // pondering switched off meanwhile: no hit
        EXPECT_EQ(HitAfter(g, "e2e4", 148, 116, 0, 0, 0), 0);
    }
    {
        // A refused line ("time" ahead of the move) keeps the prediction for
        // the move that follows.
        Game g;
        EXPECT_EQ(HitAfter(g, "time 6000", 148, 116, 0), 0);
        EXPECT_EQ(g.Front->PonderMove[0], 148);
        std::snprintf(g.Front->WorkLine, LineCapacity, "e2e4");
        ApplyGameMove(*g.Front, 1);
        PonderHitTest(*g.Front);
        EXPECT_EQ(g.Front->PonderState, 1);
    }
    {
        // The engine plays White: the squares are compared in its orientation.
        Game g;
        FlipSides(*g.Front);
        ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
        EXPECT_EQ(HitAfter(g, "c7c5", 215 - 66, 215 - 98, 0), 1);
    }
    {
        // A prediction that pondering never started on (the engine moved and
        // then force mode kept it from pondering) holds no search to carry on.
        Game g;
        EXPECT_EQ(HitAfter(g, "e2e4", 148, 116, 0, 2), 0);
    }
    {
        // After a flip the old prediction names no move of the new side.
        Game g;
        g.Front->PonderMove[0] = 148;
        g.Front->PonderMove[1] = 116;
        FlipSides(*g.Front);
        FlipSides(*g.Front);
        EXPECT_EQ(g.Front->PonderMove[0], NoPonderMove);
        std::snprintf(g.Front->WorkLine, LineCapacity, "e2e4");
        ApplyGameMove(*g.Front, 1);
        PonderHitTest(*g.Front);
        EXPECT_EQ(g.Front->PonderState, 0);
    }
}

TEST(SearchControl, PonderHitOnPromotions) {
    struct Case {
        const char* Line;
        Byte Predicted;
        Byte Expected;
    };
    const Case cases[] = {
        {"b7a8n", 15, 1}, {"b7a8", 15, 0}, {"b7a8", 12, 1}, {"b7a8q", 12, 1},
        {"b7a8x", 12, 1}, {"b7a8r", 12, 0}, {"b7a8N", 15, 1}, {"b7a8b", 0, 1},
    };
    for (const Case& c : cases) {
        Game g;
        ASSERT_TRUE(g.SetUp("r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1"));
        EXPECT_EQ(HitAfter(g, c.Line, 65, 48, c.Predicted), c.Expected) << c.Line << " " << int(c.Predicted);
    }
}

}  // namespace
}  // namespace corvane::test
