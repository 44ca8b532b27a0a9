// Several best lines at the root, swept over random positions: distinct
// moves sorted best first, one line per legal move at most, line 1 as the
// iteration's result, and the same search whatever the node budget of a
// call. And the table's full clear and fill figure.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "test_support.h"

namespace corvane {
namespace {

// A game of `plies` random legal moves from the start, with the engine on
// the side to move after them, a small table, and copy 1 searching for
// `lines` lines.
struct RandomGame {
    test::Game Game{1};
    Engine& E = Game.First();
    bool Usable = true;

    RandomGame(unsigned seed, int plies, int lines) {
        EXPECT_TRUE(HashAllocate(E, 2, false));
        std::mt19937 random(seed);
        for (int i = 0; i < plies && Usable; ++i) {
            const auto legal = test::LegalMoves(E);
            if (legal.empty()) break;
            const auto [from, to] = legal[random() % legal.size()];
            Usable = Game.Play(Game.Text(from, to)) == GameGoesOn;
        }
        if (E.GameTurn == TurnOpponent) FlipSides(*Game.Front);
        Usable = Usable && E.GameTurn == TurnEngine && !test::LegalMoves(E).empty();
        E.MultiPv = static_cast<Byte>(lines);
    }
    ~RandomGame() { HashRelease(E); }

    void ToDepth(int depth, std::uint32_t budget) {
        BeginSearch(E);
        do RunSearchStep(E, 0, budget);
        while (!(E.IterationDone == 1 && CurrentDepth(E) > depth));
    }
};

TEST(MultiPv, LinesAreDistinctSortedAndTheSameForAnyBudget) {
    int checked = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const int plies = 6 + static_cast<int>(seed % 30);
        const int lines = seed % 4 == 0 ? MaxRootLines : 2 + static_cast<int>(seed % 3);
        std::string result[2];
        const std::uint32_t budgets[2] = {StepBudgetFirst, 1 + seed % 50};
        for (int b = 0; b < 2; ++b) {
            RandomGame g(seed, plies, lines);
            if (!g.Usable) break;
            g.ToDepth(3, budgets[b]);
            Engine& e = g.E;
            const int legal = e.LastMove[1] + 1;
            ASSERT_EQ(e.LineCount, std::min(lines, legal)) << seed;
            std::set<std::pair<int, int>> moves;
            for (int i = 0; i < e.LineCount; ++i) {
                moves.insert({e.MoveFrom[1][i], e.MoveTo[1][i]});
                // Each line starts with its root move, and the lines come best first.
                EXPECT_EQ(e.LineVariation[i][0] >> 16, (e.MoveFrom[1][i] << 8u) + e.MoveTo[1][i]) << seed << " " << i;
                if (i > 0) {
                    EXPECT_LE(e.LineScore[i], e.LineScore[i - 1]) << seed;
                }
                result[b] += std::to_string(e.LineScore[i]) + g.Game.Text(e.MoveFrom[1][i], e.MoveTo[1][i]) + " ";
            }
            EXPECT_EQ(static_cast<int>(moves.size()), e.LineCount) << seed;
            // Line 1 is the iteration's result.
            const RootMove best = RootBestMove(e);
            EXPECT_EQ(best.From, e.MoveFrom[1][0]);
            EXPECT_EQ(best.To, e.MoveTo[1][0]);
            EXPECT_EQ(e.BestScore, e.LineScore[0]);
            result[b] += std::to_string(e.NodeCount);
            checked += b;
        }
        EXPECT_EQ(result[1], result[0]) << seed;
    }
    EXPECT_GT(checked, 30);
}

// With one line the search is the single search, node for node.
TEST(MultiPv, OneLineIsTheSingleSearch) {
    std::uint64_t nodes[2];
    for (int lines = 0; lines < 2; ++lines) {
        RandomGame g(7, 12, lines);
        ASSERT_TRUE(g.Usable);
        g.ToDepth(5, StepBudgetFirst);
        nodes[lines] = g.E.NodeCount;
    }
    EXPECT_EQ(nodes[0], nodes[1]);
}

// Touching the table's pages keeps its words; emptying it leaves every word of it 0 but the random numbers the
// other copies take; the fill figure counts this move's entries only.
TEST(HashTable, EmptyingClearsEveryWordAndTheFillFigureFollows) {
    RandomGame g(11, 10, 1);
    ASSERT_TRUE(g.Usable);
    HashRelease(g.E);
    ASSERT_TRUE(HashAllocate(g.E, 2, true));
    EXPECT_EQ(HashFullPerMille(g.E), 0);
    g.ToDepth(7, StepBudgetFirst);
    EXPECT_GT(HashFullPerMille(g.E), 0);
    // Touching the pages (as the benchmarks do) keeps every word.
    std::vector<std::uint32_t> before;
    for (std::uint32_t slot = 0; slot < 2 * g.E.HashSlots; ++slot) {
        const HashSlotWords w = HashSlot(g.E, slot);
        before.insert(before.end(), {w.Check.load(), w.Score.load(), w.Info.load()});
    }
    HashTouch(g.E);
    std::uint64_t changed = 0;
    for (std::uint32_t slot = 0; slot < 2 * g.E.HashSlots; ++slot) {
        const HashSlotWords w = HashSlot(g.E, slot);
        changed += w.Check.load() != before[3 * slot] || w.Score.load() != before[3 * slot + 1] ||
                   w.Info.load() != before[3 * slot + 2];
    }
    EXPECT_EQ(changed, 0u);
    HashAge(g.E);
    EXPECT_EQ(HashFullPerMille(g.E), 0);  // entries of an earlier move
    HashEmpty(g.E, true);
    EXPECT_EQ(HashFullPerMille(g.E), 0);
    std::uint64_t nonZero = 0;
    for (std::uint32_t slot = 0; slot < 2 * g.E.HashSlots; ++slot) {
        const HashSlotWords w = HashSlot(g.E, slot);
        const std::uint32_t random = slot < BoardCells ? g.E.RandomA[slot]
                                     : slot < 2 * BoardCells ? g.E.RandomB[slot - BoardCells]
                                                             : 0;
        nonZero += w.Check.load() != random || w.Score.load() != 0 || w.Info.load() != 0;
    }
    EXPECT_EQ(nonZero, 0u);
}

}  // namespace
}  // namespace corvane
