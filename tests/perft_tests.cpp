// Perft: the legal move tree of well-known positions, counted with the
// engine's own generator, make, unmake and attack tests, in both
// orientations of the held position.
#include <string>

#include "engine/board/perft.h"
#include "test_support.h"

namespace corvane::test {
namespace {

struct PerftCase {
    const char* Fen;
    int Depth;
    std::uint64_t Leaves;
};

class PerftCount : public ::testing::TestWithParam<std::tuple<PerftCase, bool>> {};

TEST_P(PerftCount, MatchesPublishedFigures) {
    const auto& [c, flipped] = GetParam();
    Game g;
    ASSERT_TRUE(g.SetUp(c.Fen));
    if (flipped) FlipSides(*g.Front);
    Engine& e = g.First();
    const Byte ply = PerftRoot(e);
    EXPECT_EQ(Perft(e, ply, c.Depth), c.Leaves);
}

const PerftCase kCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5, 4865609},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4, 4085603},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5, 674624},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4, 422333},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
    // Black to move with an en passant capture that gives check.
    {"8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", 6, 1440467},
    // An en passant capture that would expose the own king.
    {"3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1", 6, 1134888},
    // Castling of both sides with queens about.
    {"r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", 4, 1720476},
    // Promotion out of check.
    {"2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", 6, 3821001},
};

INSTANTIATE_TEST_SUITE_P(Positions, PerftCount, ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<PerftCount::ParamType>& info) {
                             return "Position" + std::to_string(info.index / 2) +
                                    (std::get<1>(info.param) ? "Flipped" : "Unflipped");
                         });

TEST(PerftDivide, SplitsTheCountByRootMoveAndPromotionPiece) {
    Game g;
    ASSERT_TRUE(g.SetUp("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"));
    PerftEntry entries[1024];
    const int n = PerftDivide(g.First(), 1, entries);
    int promotions = 0;
    for (int i = 0; i < n; ++i)
        if (entries[i].From == 65 && entries[i].To == 49) ++promotions;
    EXPECT_EQ(promotions, 4);
    EXPECT_EQ(n, 4 + 5);  // four promotions and five king moves
}

}  // namespace
}  // namespace corvane::test
