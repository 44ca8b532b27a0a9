// The search: mates and stalemate traps, the resumable step machine (any
// node budget gives the same search), the root's aspiration window, the
// hash table's replacement and guards, the best line's flags, draws in and
// before the tree, and the guard that keeps every line inside the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "engine/board/board.h"
#include "engine/eval/evaluate.h"
#include "engine/platform.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "test_support.h"

namespace corvane {
namespace {

// The same position with ranks reversed, colours exchanged and the other
// side to move (castling rights and en passant square mirrored too).
std::string MirrorFen(const std::string& fen) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : fen + " ") {
        if (c == ' ') {
            if (!field.empty()) fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    auto swapCase = [](std::string s) {
        for (char& c : s) c = std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c);
        return s;
    };
    std::vector<std::string> ranks;
    std::string rank;
    for (char c : fields[0] + "/") {
        if (c == '/') {
            ranks.push_back(rank);
            rank.clear();
        } else {
            rank += c;
        }
    }
    std::string placement;
    for (int i = 7; i >= 0; --i) placement += swapCase(ranks[i]) + (i > 0 ? "/" : "");
    std::string side = fields[1] == "w" ? "b" : "w";
    std::string castle = fields.size() > 2 ? swapCase(fields[2]) : "-";
    std::sort(castle.begin(), castle.end(), [](char a, char b) {
        auto rankOf = [](char c) { return std::string("KQkq").find(c); };
        return rankOf(a) < rankOf(b);
    });
    std::string ep = fields.size() > 3 ? fields[3] : "-";
    if (ep != "-") ep[1] = ep[1] == '3' ? '6' : '3';
    return placement + " " + side + " " + castle + " " + ep + " 0 1";
}

// One engine copy with a hash table, the engine playing the side to move.
struct Searcher {
    test::Game Game{1};
    Engine& E = Game.First();

    explicit Searcher(const std::string& fen) {
        EXPECT_TRUE(HashAllocate(E, 4, false));
        EXPECT_TRUE(Game.SetUp(fen)) << fen;
        if (E.GameTurn == TurnOpponent) FlipSides(*Game.Front);
    }
    ~Searcher() { HashRelease(E); }

    void ToDepth(int depth, std::uint32_t budget = StepBudgetFirst) {
        do RunSearchStep(E, 0, budget);
        while (!(E.IterationDone == 1 && CurrentDepth(E) > depth));
    }

    // The best root move as real-board coordinate text.
    std::string Best() {
        const RootMove m = RootBestMove(E);
        char a[2], b[2];
        SquareName(*Game.Front, m.From, a);
        SquareName(*Game.Front, m.To, b);
        return std::string{a[0], a[1], b[0], b[1]};
    }

    // Number of moves of the best line before its end or mate entry, and
    // the mate entry's number (0 without one).
    std::pair<int, int> Line() {
        int moves = 0;
        for (int i = 0; i < 64; ++i) {
            const std::uint32_t entry = E.PrincipalVariation[i];
            if (entry == 0) break;
            if ((entry & 255) == 255) return {moves, static_cast<int>(entry >> 16)};
            ++moves;
        }
        return {moves, 0};
    }
};

struct MateCase {
    const char* Fen;
    const char* Move;
    int Plies;  // plies to mate, counted from the root move
};

class Mates : public ::testing::TestWithParam<MateCase> {};

// Mates in 1, 2 and 3 are found with the mate score of their ply and a line
// ending in the mate entry, for the position and its colour mirror.
TEST_P(Mates, FoundWithScoreAndMateEntryForBothColours) {
    const MateCase& c = GetParam();
    for (bool mirror : {false, true}) {
        const std::string fen = mirror ? MirrorFen(c.Fen) : c.Fen;
        Searcher s(fen);
        s.ToDepth(c.Plies + 1);
        EXPECT_EQ(s.E.BestScore, ScorePlusInfinity - (c.Plies + 1)) << fen;
        std::string move = c.Move;
        if (mirror) {
            move[1] = static_cast<char>('9' - move[1] + '0');
            move[3] = static_cast<char>('9' - move[3] + '0');
        }
        EXPECT_EQ(s.Best(), move) << fen;
        const auto [moves, mate] = s.Line();
        EXPECT_EQ(moves, c.Plies) << fen;
        EXPECT_EQ(mate, (c.Plies + 1) / 2) << fen;
    }
}

INSTANTIATE_TEST_SUITE_P(Search, Mates,
                         ::testing::Values(MateCase{"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "a1a8", 1},
                                           MateCase{"kbK5/pp6/1P6/8/8/8/8/R7 w - - 0 1", "a1a6", 3},
                                           MateCase{"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1",
                                                    "f8c5", 5}));

// Winning with a queen against a bare king, the engine never plays into
// stalemate, and the score stays that of a won position.
TEST(Search, AvoidsStalemateWhenWinning) {
    for (const char* fen : {"7k/8/6Q1/8/8/8/8/K7 w - - 0 1", "k7/8/8/8/8/8/1q6/7K b - - 0 1"}) {
        Searcher s(fen);
        s.ToDepth(5);
        EXPECT_GT(s.E.BestScore, ScoreLevel + 800) << fen;
        const RootMove m = RootBestMove(s.E);
        EXPECT_NE(PlayBlackMove(s.E, m.From, m.To, m.Promotion), GameStalemate) << fen;
    }
}

// A stalemate in the tree scores level: here the only moves that do not let
// the opponent's pawn promote stalemate its king, for both colours.
TEST(Search, StalemateInTheTreeScoresLevel) {
    for (const char* fen : {"8/8/8/8/8/7P/5K1p/7k w - - 0 1", "7K/5k1P/7p/8/8/8/8/8 b - - 0 1"}) {
        Searcher s(fen);
        s.ToDepth(5);
        EXPECT_EQ(s.E.BestScore, ScoreLevel) << fen;
        const RootMove m = RootBestMove(s.E);
        EXPECT_EQ(PlayBlackMove(s.E, m.From, m.To, m.Promotion), GameStalemate) << fen;
    }
}

// What the search must leave as it found it: the game position, its keys,
// the key history and the game record; at an iteration's end the working
// board is the game position again. The best move is legal.
TEST(Search, RandomGamesKeepTheGameAndPlayLegalMoves) {
    std::mt19937 random(7);
    Searcher s("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    Engine& e = s.E;
    int searched = 0;
    for (int ply = 0; ply < 120 && e.GameTurn != TurnGameOver; ++ply) {
        if (ply % 6 == 5) {
            if (e.GameTurn == TurnOpponent) FlipSides(*s.Game.Front);
            const std::vector<Byte> board(std::begin(e.GameBoard), std::end(e.GameBoard));
            const std::vector<std::uint32_t> keysA(std::begin(e.GameKeyA), std::begin(e.GameKeyA) + 102);
            const std::vector<std::uint32_t> keysB(std::begin(e.GameKeyB), std::begin(e.GameKeyB) + 102);
            const Byte flags = e.PlyFlags[0], clock = e.HalfMoveClock[0];
            const Word count = e.GameMoveCount;
            e.NodeCount = 0;
            s.ToDepth(4);
            ++searched;
            EXPECT_TRUE(std::equal(board.begin(), board.end(), e.GameBoard));
            EXPECT_TRUE(std::equal(std::begin(e.Board), std::end(e.Board), e.GameBoard));
            EXPECT_TRUE(std::equal(keysA.begin(), keysA.end(), e.GameKeyA));
            EXPECT_TRUE(std::equal(keysB.begin(), keysB.end(), e.GameKeyB));
            EXPECT_EQ(e.PlyFlags[0], flags);
            EXPECT_EQ(e.HalfMoveClock[0], clock);
            EXPECT_EQ(e.GameMoveCount, count);
            const RootMove m = RootBestMove(e);
            const Byte code = PlayBlackMove(e, m.From, m.To, m.Promotion);
            ASSERT_NE(code, GameRefused) << "ply " << ply;
            continue;
        }
        // A random legal move for the side to move.
        const Byte side = e.GameTurn;
        const Byte p = side == TurnEngine ? 1 : 0;
        for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
        e.PlyFlags[p] = e.PlyFlags[0];
        e.InCheck[p] = p == 1 ? AttackedByWhite(e, e.Board[BlackKingCell]) : AttackedByBlack(e, e.Board[WhiteKingCell]);
        ComputeKeys(e, p);
        p == 1 ? GenerateBlack(e, p) : GenerateWhite(e, p);
        ASSERT_NE(e.LastMove[p], ListEmptyLast);
        Byte code = GameRefused;
        for (int tries = 0; tries < 400 && code == GameRefused; ++tries) {
            const int slot = static_cast<int>(random() % (e.LastMove[p] + 1u));
            const Byte f = e.MoveFrom[p][slot], t = e.MoveTo[p][slot];
            code = side == TurnEngine ? PlayBlackMove(e, f, t, 2) : PlayWhiteMove(e, f, t, 12);
        }
        ASSERT_NE(code, GameRefused);
    }
    EXPECT_GE(searched, 8);
}

// The step machine keeps its whole state in the tables: a search cut into
// calls of 1 node, 7 nodes or the usual budget runs the same tree.
TEST(Search, AnyNodeBudgetGivesTheSameSearch) {
    for (const char* fen : {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
                            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 0 1"}) {
        std::uint64_t nodes[3];
        Word scores[3];
        std::string moves[3];
        const std::uint32_t budgets[3] = {1, 7, StepBudgetFirst};
        for (int k = 0; k < 3; ++k) {
            Searcher s(fen);
            s.ToDepth(5, budgets[k]);
            nodes[k] = s.E.NodeCount;
            scores[k] = s.E.BestScore;
            moves[k] = s.Best();
        }
        for (int k = 1; k < 3; ++k) {
            EXPECT_EQ(nodes[k], nodes[0]) << fen;
            EXPECT_EQ(scores[k], scores[0]) << fen;
            EXPECT_EQ(moves[k], moves[0]) << fen;
        }
    }
}

// The first iteration searches the root's moves with horizon nodes at ply 2
// and the full window; CurrentDepth reads 1 during it and 2 right after, and
// the next call starts iteration 2 with a window of 16 around the score.
TEST(Search, FirstIterationAndTheWindowAfterIt) {
    Searcher s("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    Engine& e = s.E;
    RunSearchStep(e, 0, 1);
    EXPECT_EQ(e.PlyDepth[1], 16);
    EXPECT_EQ(CurrentDepth(e), 1);
    while (e.IterationDone == 0) {
        EXPECT_EQ(CurrentDepth(e), 1);
        RunSearchStep(e, 0, 1);
    }
    EXPECT_EQ(CurrentDepth(e), 2);
    EXPECT_EQ(e.WindowLow, e.BestScore - 16);
    EXPECT_EQ(e.WindowHigh, e.BestScore + 16);
    EXPECT_EQ(e.PlyBound[1], e.WindowLow);
    EXPECT_EQ(e.PlyBound[0], e.WindowHigh);
    EXPECT_EQ(e.MoveCursor[1], 0);
    EXPECT_EQ(e.BestIndex[1], 0);
    RunSearchStep(e, 0, 1);
    EXPECT_EQ(e.IterationDone, 0);
}

// Aspiration: a root move that keeps failing high is searched again with
// windows 150, 300 and 450 above its score, then unbounded, and its score is
// taken at the sixth failure; failing low mirrors it; a score inside the
// window narrows the window to the score and 16 above.
TEST(Search, AspirationWindowWidensAndGivesUpAtTheSixthFailure) {
    auto e = test::MakeEngine();
    e->WindowLow = 32750;
    e->WindowHigh = 32782;
    e->WindowFails = 0;
    e->SavedRootScore = 0;
    // Each search again fails high once more.
    const int scores[4] = {32800, 32960, 33270, 33730};
    const int highs[4] = {32800 + 150, 32960 + 300, 33270 + 450, ScorePlusInfinity};
    for (int k = 0; k < 4; ++k) {
        e->PlyValue[1] = static_cast<Word>(scores[k]);
        EXPECT_TRUE(RootAspiration(*e)) << k;
        EXPECT_EQ(e->BestScore, scores[k]);
        EXPECT_EQ(e->WindowHigh, highs[k]) << k;
        EXPECT_EQ(e->PlyBound[0], highs[k]) << k;
        EXPECT_EQ(e->WindowLow, scores[k] - 1) << k;
        EXPECT_EQ(e->PlyBound[1], scores[k] - 1) << k;
        EXPECT_EQ(e->PlyValue[1], ScoreMinusInfinity);
        EXPECT_EQ(e->WindowFails, 128 + k + 1);
    }
    // At the sixth failure the score is taken and the next root move follows.
    e->WindowFails = 128 + 5;
    e->WindowHigh = 33000;
    e->PlyValue[1] = 33100;
    EXPECT_FALSE(RootAspiration(*e));
    EXPECT_EQ(e->WindowFails, 0);
    EXPECT_EQ(e->PlyValue[1], 33100);
    EXPECT_EQ(e->BestScore, 33100);

    // Failing low: the window opens downward, and the upper edge closes on
    // the failing score only while the failures are low ones.
    e->WindowLow = 32750;
    e->WindowHigh = 32782;
    e->WindowFails = 0;
    e->PlyValue[1] = 32700;
    EXPECT_TRUE(RootAspiration(*e));
    EXPECT_EQ(e->WindowLow, 32700 - 150);
    EXPECT_EQ(e->WindowHigh, 32701);
    EXPECT_EQ(e->WindowFails, 1);
    e->PlyValue[1] = 32760;  // now high: the lower edge stays
    EXPECT_TRUE(RootAspiration(*e));
    EXPECT_EQ(e->WindowHigh, 32760 + 300);
    EXPECT_EQ(e->WindowLow, 32550);
    EXPECT_EQ(e->WindowFails, 130);
    // Inside the window: the score is kept and the window narrows.
    e->PlyValue[1] = 32800;
    e->BestIndex[1] = 5;
    EXPECT_FALSE(RootAspiration(*e));
    EXPECT_EQ(e->WindowFails, 0);
    EXPECT_EQ(e->WindowLow, 32799);
    EXPECT_EQ(e->WindowHigh, 32816);
    EXPECT_EQ(e->PlyBound[1], 32800);
    EXPECT_EQ(e->SavedRootIndex, 5);
    // A later result inside the window but below the saved one returns the
    // root to the saved move.
    e->WindowLow = 32700;
    e->PlyValue[1] = 32790;
    e->BestIndex[1] = 9;
    EXPECT_FALSE(RootAspiration(*e));
    EXPECT_EQ(e->BestIndex[1], 5);
    EXPECT_EQ(e->BestScore, 32800);
    EXPECT_EQ(e->PlyValue[1], 32800);
}

// Hash table: replacement weights, mate scores relative to the node, the
// repetition and fifty-move guards, and draw scores stored without depth.
class HashTableTest : public ::testing::Test {
protected:
    std::unique_ptr<Engine> e = test::MakeEngine();
    void SetUp() override {
        ASSERT_TRUE(HashAllocate(*e, 1, false));
        HashClear(*e);
        for (int x = 0; x < BoardCells; ++x) e->Board[x] = e->GameBoard[x];
        for (int p = 0; p < 12; ++p) {
            e->PlyFlags[p] = 240;
            e->HalfMoveClock[p] = 0;
            ComputeKeys(*e, static_cast<Byte>(p));
            e->MoveFrom[p][0] = (p & 1) ? 54 : 166;  // g8f6 for Black, g1f3 for White
            e->MoveTo[p][0] = (p & 1) ? 85 : 133;
            e->MoveExtra[p][0] = 0;
            e->BestIndex[p] = 0;
        }
    }
    void TearDown() override { HashRelease(*e); }
    std::uint32_t Slot(int p) const { return e->KeyA[p] % e->HashSlots; }
    int StoredDepth(std::uint32_t slot) const { return HashSlot(*e, slot).Info.load() >> 4; }
    // Stores at ply p with a given value, depth in eighths and bound type.
    void Store(int p, Word value, int depthEighths, int type) {
        e->PlyValue[p] = value;
        e->PlyDepth[p] = static_cast<Word>(8 * p + depthEighths - 1);
        // Bounds that make the stored type come out as asked (Black node).
        e->PlyBound[p - 2] = type == 0 ? value : static_cast<Word>(value - 1);
        e->PlyBound[p - 1] = type == 1 ? value : static_cast<Word>(value + 1);
        HashStore(*e, static_cast<Byte>(p));
    }
};

// The bucket of a key is KeyA mod N for every table size the configuration
// allows, at the edges of the key range and for random keys.
TEST(HashBucket, IsTheRemainderForEveryTableSize) {
    std::mt19937 random(5);
    Engine e;
    for (std::uint32_t units = 1; units <= 1024; ++units) {
        e.HashSlots = units * HashSlotsPerUnit;
        e.HashReciprocal = HashReciprocalOf(e.HashSlots);
        for (std::uint32_t key : {0u, 1u, e.HashSlots - 1, e.HashSlots, 4294967295u, 4294967294u})
            ASSERT_EQ(HashBucket(e, key), key % e.HashSlots) << units;
        for (int k = 0; k < 200; ++k) {
            const std::uint32_t key = random();
            ASSERT_EQ(HashBucket(e, key), key % e.HashSlots) << units << " " << key;
        }
    }
}

// Every slot has three words of its own, the two slots of a bucket lie in one
// cache line, and the table's memory (large pages asked for or not) holds
// them all; the random numbers for the other copies sit in slots 0 to 401.
TEST(HashLayout, SlotsOwnTheirWordsAndABucketIsOneLine) {
    Engine e;
    InitTables(e);
    ASSERT_TRUE(HashAllocate(e, 1, true));
    const auto begin = reinterpret_cast<std::uintptr_t>(e.HashLines);
    const auto line = [](const void* word) { return reinterpret_cast<std::uintptr_t>(word) / 64; };
    std::vector<std::uintptr_t> words;
    for (std::uint32_t slot = 0; slot < 2 * e.HashSlots; ++slot) {
        const HashSlotWords w = HashSlot(e, slot);
        for (const void* word : {static_cast<const void*>(&w.Check), static_cast<const void*>(&w.Score),
                                 static_cast<const void*>(&w.Info)}) {
            const auto at = reinterpret_cast<std::uintptr_t>(word);
            ASSERT_TRUE(at >= begin && at < begin + e.HashBytes) << slot;
            ASSERT_EQ(line(word), line(&HashSlot(e, slot % e.HashSlots).Check)) << slot;
            words.push_back(at);
        }
    }
    std::sort(words.begin(), words.end());
    EXPECT_EQ(std::adjacent_find(words.begin(), words.end()), words.end());
    Engine other;
    InitTables(other);
    HashAttach(other, e, 1);
    for (int x = 0; x < BoardCells; ++x) ASSERT_EQ(other.RandomA[x], e.RandomA[x]);
    for (int x = 0; x < BoardCells; ++x) ASSERT_EQ(other.RandomB[x], e.RandomB[x]);
    HashRelease(e);
}

// Blocks of the platform's table memory, small and large, with and without
// large pages, are aligned to a cache line and writable to their last byte.
TEST(HashLayout, TableMemoryWithAndWithoutLargePages) {
    for (std::size_t bytes : {std::size_t{64}, std::size_t{1000}, std::size_t{2} << 20, (std::size_t{2} << 20) + 1,
                              (std::size_t{5} << 20) + 123}) {
        for (bool large : {false, true}) {
            auto* block = static_cast<unsigned char*>(TableMemoryAllocate(bytes, large));
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % TableMemoryAlignment, 0u);
            std::fill(block, block + bytes, static_cast<unsigned char>(0xA5));
            EXPECT_EQ(block[bytes - 1], 0xA5);
            TableMemoryRelease(block, bytes);
        }
    }
}

TEST_F(HashTableTest, ReplacementWeightsAndAgeing) {
    Store(5, 33000, 40, 2);
    EXPECT_EQ(StoredDepth(Slot(5)), 40);
    // A lower bound needs 16 more to replace an exact entry.
    Store(5, 33100, 55, 1);
    EXPECT_EQ(StoredDepth(Slot(5)), 40);
    EXPECT_EQ(StoredDepth(Slot(5) + e->HashSlots), 55);
    Store(5, 33100, 56, 1);
    EXPECT_EQ(StoredDepth(Slot(5)), 56);
    // Two engine moves later any new entry replaces it.
    HashAge(*e);
    HashAge(*e);
    EXPECT_EQ(HashSlot(*e, Slot(5)).Info.load() & 12, 12);
    Store(5, 33000, 1, 0);
    EXPECT_EQ(StoredDepth(Slot(5)), 1);
    // A draw score is stored with depth 0: its move is used, it never cuts.
    ++e->KeyA[7];
    ++e->KeyB[7];
    Store(7, ScoreDraw, 200, 2);
    EXPECT_EQ(StoredDepth(Slot(7)), 0);
    e->PlyDepth[7] = 56;
    EXPECT_EQ(HashProbe(*e, 7), 1);
    EXPECT_EQ(e->HashTo, 85);
}

TEST_F(HashTableTest, MateScoreIsReadBackRelativeToTheNode) {
    // White is mated 5 plies below the node at ply 7; the same position met
    // at ply 3 is mated 5 plies below ply 3.
    Store(7, static_cast<Word>(ScorePlusInfinity - 12), 24, 2);
    e->KeyA[3] = e->KeyA[7];
    e->KeyB[3] = e->KeyB[7];
    e->PlyDepth[3] = 8 * 3 + 8;
    EXPECT_EQ(HashProbe(*e, 3), 2);
    EXPECT_EQ(e->PlyValue[3], ScorePlusInfinity - 8);
    // The same for Black being mated.
    Store(9, static_cast<Word>(2767 + 15), 24, 2);
    e->KeyA[5] = e->KeyA[9];
    e->KeyB[5] = e->KeyB[9];
    e->PlyDepth[5] = 8 * 5 + 8;
    EXPECT_EQ(HashProbe(*e, 5), 2);
    EXPECT_EQ(e->PlyValue[5], 2767 + 11);
}

TEST_F(HashTableTest, GameRepetitionAndFiftyMoveGuardsKeepOnlyTheMove) {
    Store(3, 33000, 80, 2);
    e->PlyDepth[3] = 8 * 3 + 8;
    EXPECT_EQ(HashProbe(*e, 3), 2);
    // The position stood in the game four plies before the root.
    e->HalfMoveClock[3] = 6;
    e->GameKeyA[2 * 2 + 1 - 3] = e->KeyA[3];
    e->GameKeyB[2 * 2 + 1 - 3] = e->KeyB[3];
    EXPECT_EQ(HashProbe(*e, 3), 1);
    EXPECT_EQ(e->HashTo, 85);
    e->GameKeyA[2] = 0;
    EXPECT_EQ(HashProbe(*e, 3), 2);
    // Near the fifty-move limit a stored search that reaches past it is not
    // used for a cutoff: stored depth 80 eighths = 10 plies.
    e->HalfMoveClock[3] = 90;
    EXPECT_EQ(HashProbe(*e, 3), 1);
    e->HalfMoveClock[3] = 89;
    EXPECT_EQ(HashProbe(*e, 3), 2);
    // The guard starts at 70 reversible plies: 30 stored plies reach 100.
    Store(3, 33000, 30 * 128, 2);
    e->HalfMoveClock[3] = 70;
    EXPECT_EQ(HashProbe(*e, 3), 1);
    e->HalfMoveClock[3] = 69;
    EXPECT_EQ(HashProbe(*e, 3), 2);
}

// The best line's first entry: capture, en passant, promotion, check,
// another piece of the kind reaching the square, and the failure markers.
TEST(Search, BestLineFlagsOfTheRootMove) {
    struct Case {
        const char* Fen;
        const char* Move;
        std::uint32_t Flags;
        Byte Fails;
    };
    const Case cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 12, 0},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8", 16 + 128, 0},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8", 16 + 4 + 128, 0},
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "b1d2", 2, 0},
        {"4k3/8/8/8/8/8/8/4K1N1 w - - 0 1", "g1f3", 64, 130},
        {"4k3/8/8/8/8/8/8/4K1N1 w - - 0 1", "g1f3", 32, 2},
        {"4k3/8/8/8/8/8/3q4/4K3 w - - 0 1", "e1d2", 4, 0},
    };
    for (const Case& c : cases) {
        Searcher s(c.Fen);
        Engine& e = s.E;
        RunSearchStep(e, 0, 1);  // sets the root list up
        const Byte from = ParseSquare(*s.Game.Front, c.Move[0], c.Move[1]);
        const Byte to = ParseSquare(*s.Game.Front, c.Move[2], c.Move[3]);
        int slot = -1;
        for (int i = 0; i <= e.LastMove[1]; ++i)
            if (slot < 0 && e.MoveFrom[1][i] == from && e.MoveTo[1][i] == to) slot = i;
        ASSERT_GE(slot, 0) << c.Fen;
        for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
        e.BestIndex[1] = static_cast<Byte>(slot);
        e.PlyDepth[1] = 24;
        e.WindowFails = c.Fails;
        e.NodeCount = 10000;
        HashClear(e);
        ReportBestLine(e);
        const std::uint32_t entry = e.PrincipalVariation[0];
        EXPECT_EQ(entry & 255, c.Flags) << c.Fen;
        EXPECT_EQ(entry >> 24, from);
        EXPECT_EQ((entry >> 16) & 255, to);
        EXPECT_EQ(((entry >> 8) & 15) + 1, e.GameBoard[from]) << c.Fen;
        EXPECT_TRUE(std::equal(std::begin(e.Board), std::end(e.Board), e.GameBoard));
        EXPECT_EQ(e.NewVariation, 1);
    }
}

// A line that reaches bare kings, or repeats a game position for the third
// time, ends there.
TEST(Search, LineEndTest) {
    auto e = test::MakeEngine();
    test::ClearBoard(*e);
    test::Place(*e, 52, BlackKing);
    test::Place(*e, 164, WhiteKing);
    test::Place(*e, 100, BlackKnight);
    e->HalfMoveClock[253] = 0;
    EXPECT_EQ(LineEndTest(*e, 253, 2), 1);
    test::Place(*e, 101, BlackRook);
    EXPECT_EQ(LineEndTest(*e, 253, 2), 0);
    // Two earlier occurrences: one in the line, one in the game.
    e->HalfMoveClock[253] = 12;
    e->KeyA[253] = 77;
    e->KeyB[253] = 88;
    for (int i = 0; i < GameKeyCapacity; ++i) e->GameKeyA[i] = e->GameKeyB[i] = 0;
    const int k = 6;
    e->GameKeyA[k + 101 - 4] = 77;  // 4 plies back, in the line
    e->GameKeyB[k + 101 - 4] = 88;
    EXPECT_EQ(LineEndTest(*e, 253, k), 0);
    e->GameKeyA[10 - k] = 77;  // 10 plies back, before the root
    e->GameKeyB[10 - k] = 88;
    EXPECT_EQ(LineEndTest(*e, 253, k), 1);
}

// Draws: one repetition inside the tree; two occurrences before the root
// (once is not enough); the fifty-move rule.
TEST(Search, DrawTestInsideAndBeforeTheTree) {
    auto e = test::MakeEngine();
    for (int i = 0; i < GameKeyCapacity; ++i) e->GameKeyA[i] = e->GameKeyB[i] = 0;
    const int p = 7;
    e->KeyA[p] = 5;
    e->KeyB[p] = 6;
    e->HalfMoveClock[p] = 3;
    e->KeyA[p - 4] = 5;
    e->KeyB[p - 4] = 6;
    EXPECT_FALSE(DrawTest(*e, p));  // too few reversible plies
    e->HalfMoveClock[p] = 4;
    EXPECT_TRUE(DrawTest(*e, p));
    e->KeyB[p - 4] = 7;
    EXPECT_FALSE(DrawTest(*e, p));
    // Before the root: 2i + 1 - p indexes the game history.
    e->HalfMoveClock[p] = 20;
    e->GameKeyA[2 * 5 + 1 - p] = 5;
    e->GameKeyB[2 * 5 + 1 - p] = 6;
    EXPECT_FALSE(DrawTest(*e, p));
    e->GameKeyA[2 * 8 + 1 - p] = 5;
    e->GameKeyB[2 * 8 + 1 - p] = 6;
    EXPECT_TRUE(DrawTest(*e, p));
    e->HalfMoveClock[p] = 100;
    e->GameKeyA[4] = e->GameKeyA[10] = 0;
    EXPECT_TRUE(DrawTest(*e, p));
}

// No line ever reaches the scratch plies of the best line. A node entered
// at the deepest tree ply is a leaf: it is scored by the evaluation, gets no
// move list and closes at once.
TEST(Search, NodeAtTheDeepestPlyIsALeaf) {
    Searcher s("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 3 3");
    Engine& e = s.E;
    const int q = DeepestTreePly - 1;  // an odd ply: the engine's side to move
    for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
    e.PlyFlags[q] = e.PlyFlags[0];
    e.HalfMoveClock[q] = 0;
    e.InCheck[q] = 0;
    ComputeKeys(e, static_cast<Byte>(q));
    GenerateBlack(e, static_cast<Byte>(q));
    e.BestIndex[q] = 255;
    e.PlyValue[q] = ScoreMinusInfinity;
    e.PlyBound[q - 1] = ScorePlusInfinity;
    e.PlyBound[q] = ScoreMinusInfinity;
    e.PlyDepth[q] = static_cast<Word>(8 * q + 80);
    e.CurrentPly = static_cast<Byte>(q + 1);
    e.ParentPly = static_cast<Byte>(q);
    e.LastMove[q + 1] = ListEmptyLast;
    e.MoveCursor[q + 1] = CursorNone;
    e.NoMoves = 0;
    DescentStep(e);
    EXPECT_EQ(e.NoMoves, 1);
    EXPECT_EQ(e.LastMove[q + 1], ListEmptyLast);
    EXPECT_EQ(e.CurrentPly, q);
    EXPECT_EQ(e.PlyValue[q], e.PlyValue[q + 1]);
    EXPECT_TRUE(std::equal(std::begin(e.Board), std::end(e.Board), e.GameBoard));
    // The leaf's value is the evaluation of the position after the move.
    MakeMove(e, 0, static_cast<Byte>(q));
    e.CurrentPly = static_cast<Byte>(q + 1);
    e.ParentPly = static_cast<Byte>(q);
    EXPECT_EQ(e.PlyValue[q + 1], Evaluate(e));
}

// With the root forced to a huge depth in a position full of checks and
// captures, the search never leaves the plies the tree may use.
TEST(Search, ForcedHugeDepthStaysInsideTheTables) {
    Searcher s("6k1/5p2/6p1/8/8/8/q4PPP/3Q2K1 w - - 0 1");
    Engine& e = s.E;
    RunSearchStep(e, 0, 1);
    e.PlyDepth[1] = 8 * 240;
    int deepest = 0;
    for (int call = 0; call < 30000; ++call) {
        RunSearchStep(e, 0, 1);
        deepest = std::max(deepest, static_cast<int>(e.CurrentPly));
        ASSERT_LT(e.CurrentPly, DeepestTreePly);
    }
    RecordProperty("deepest", deepest);
    EXPECT_GT(deepest, 20);
}

// Search signature: the nodes of a few fixed searches. Any change to the
// search's order of work changes them; a deliberate change updates them.
TEST(Search, Signature) {
    struct Case {
        const char* Fen;
        int Depth;
        std::uint64_t Nodes;
    };
    const Case cases[] = {
        {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8", 6, 15824},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 13, 388082},
        {"7k/8/6Q1/8/8/8/8/K7 w - - 0 1", 6, 12700},
        {"8/8/8/8/8/2k5/3p4/R3K2B w - - 0 1", 7, 13457},
        {"4k3/4n3/8/3P4/8/8/8/4R1K1 b - - 0 1", 9, 17478},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1", 5, 15557},
    };
    for (const Case& c : cases) {
        Searcher s(c.Fen);
        s.ToDepth(c.Depth);
        EXPECT_EQ(s.E.NodeCount.load(), c.Nodes) << c.Fen << " depth " << c.Depth;
    }
}

}  // namespace
}  // namespace corvane
