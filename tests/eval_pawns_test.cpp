// Pawn terms: islands and isolation, doubled pawns, passed pawns and their
// bonus, connected and unstoppable passers, the square rule, the boost.
// Each term is measured as the change it makes on top of the board scan.
#include <initializer_list>
#include <random>
#include <vector>

#include "engine/eval/eval_internal.h"
#include "test_support.h"

namespace corvane {
namespace {

std::unique_ptr<Engine> KingsOnly(int blackKing, int whiteKing, int ply = 1) {
    auto e = test::MakeEngine();
    test::ClearBoard(*e);
    test::Place(*e, blackKing, BlackKing);
    test::Place(*e, whiteKing, WhiteKing);
    e->CurrentPly = static_cast<Byte>(ply);
    e->ParentPly = static_cast<Byte>(ply - 1);
    return e;
}

template <class Stage>
int Delta(Engine& e, Stage stage) {
    EvalWork w;
    ScanBoard(e, w);
    Word s = ScoreLevel;
    stage(e, w, s);
    return static_cast<int>(s) - ScoreLevel;
}

int BlackTerms(Engine& e) { return Delta(e, BlackPawnTerms); }
int WhiteTerms(Engine& e) { return Delta(e, WhitePawnTerms); }

TEST(EvalPawns, PassedPawnBonusByRank) {
    // A lone pawn on file 3 pays 14 for its island and isolation; the other
    // side keeps a knight so that no pawn counts as unstoppable.
    const int bonus[8] = {0, 0, 32, 34, 38, 46, 62, 30};
    for (int rank = 2; rank <= 7; ++rank) {
        auto b = KingsOnly(48, 167);
        test::Place(*b, 160, WhiteKnight);
        test::Place(*b, 16 * (rank + 2) + 3, BlackPawn);
        EXPECT_EQ(BlackTerms(*b), -14 + bonus[rank]) << "Black, relative rank " << rank;

        auto w = KingsOnly(48, 167);
        test::Place(*w, 55, BlackKnight);
        test::Place(*w, 16 * (11 - rank) + 3, WhitePawn);
        EXPECT_EQ(WhiteTerms(*w), 14 - bonus[rank]) << "White, relative rank " << rank;
    }
}

TEST(EvalPawns, OnlyPawnsAheadStopAPasser) {
    struct Case {
        int Enemy;   // enemy pawn cell, 0 for none
        bool Passed;
    };
    // Black pawn on 99 (row 6, file 3, bonus 38).
    const Case black[] = {{0, true},    {100, true},  {98, true},  {83, true},  {115, false},
                          {116, false}, {114, false}, {117, true}, {131, false}};
    for (const Case& c : black) {
        auto e = KingsOnly(48, 167);
        test::Place(*e, 160, WhiteKnight);
        test::Place(*e, 99, BlackPawn);
        if (c.Enemy) test::Place(*e, c.Enemy, WhitePawn);
        EXPECT_EQ(BlackTerms(*e), c.Passed ? -14 + 38 : -14) << c.Enemy;
    }
    // White pawn on 99 (row 6, its relative rank 5, bonus 46).
    const Case white[] = {{0, true},   {98, true},   {100, true},  {115, true},
                          {83, false}, {82, false},  {84, false},  {81, true}, {67, false}};
    for (const Case& c : white) {
        auto e = KingsOnly(48, 167);
        test::Place(*e, 55, BlackKnight);
        test::Place(*e, 99, WhitePawn);
        if (c.Enemy) test::Place(*e, c.Enemy, BlackPawn);
        EXPECT_EQ(WhiteTerms(*e), c.Passed ? 14 - 46 : 14) << c.Enemy;
    }
    // Beside the edges: a pawn on file 0, 1, 6 or 7 (row 6) with an enemy
    // pawn one row ahead on either neighbouring file, or none. A single pawn
    // pays 8 for island and isolation on files 0 and 7, 14 on the others.
    for (int file : {0, 1, 6, 7}) {
        const int island = file == 0 || file == 7 ? 8 : 14;
        for (int side : {0, -1, 1}) {
            if (file + side < 0 || file + side > 7) continue;
            auto b = KingsOnly(50, 165);
            test::Place(*b, 160, WhiteKnight);
            test::Place(*b, 96 + file, BlackPawn);
            if (side) test::Place(*b, 112 + file + side, WhitePawn);
            EXPECT_EQ(BlackTerms(*b), side ? -island : -island + 38) << "Black, file " << file << " " << side;
            auto w = KingsOnly(50, 165);
            test::Place(*w, 55, BlackKnight);
            test::Place(*w, 96 + file, WhitePawn);
            if (side) test::Place(*w, 80 + file + side, BlackPawn);
            EXPECT_EQ(WhiteTerms(*w), side ? island : island - 46) << "White, file " << file << " " << side;
        }
    }
}

TEST(EvalPawns, ConnectedPassers) {
    struct Case {
        std::initializer_list<int> Files;
        int Black;  // pawns on row 6: relative rank 4 for Black (38)
        int White;  // pawns on row 6: relative rank 5 for White (46)
    };
    const Case cases[] = {
        {{2, 3}, 6 - 6 + 38 + 38 + 25, -(6 - 6 + 46 + 46 + 25)},
        {{2, 3, 4}, 6 - 6 + 3 * 38 + 2 * 25, -(6 - 6 + 3 * 46 + 2 * 25)},
        {{2, 4}, 6 - 20 + 38 - 20 + 38, -(6 - 20 + 46 - 20 + 46)},
        {{6, 7}, 6 - 6 + 38 + 38 + 25, -(6 - 6 + 46 + 46 + 25)},
        {{0, 1}, 6 - 6 + 38 + 38 + 25, -(6 - 6 + 46 + 46 + 25)},
    };
    for (const Case& c : cases) {
        auto b = KingsOnly(48, 167);
        test::Place(*b, 160, WhiteKnight);
        auto w = KingsOnly(48, 167);
        test::Place(*w, 55, BlackKnight);
        for (int f : c.Files) {
            test::Place(*b, 96 + f, BlackPawn);
            test::Place(*w, 96 + f, WhitePawn);
        }
        EXPECT_EQ(BlackTerms(*b), c.Black) << *c.Files.begin() << " " << c.Files.size();
        EXPECT_EQ(WhiteTerms(*w), c.White) << *c.Files.begin() << " " << c.Files.size();
    }
    // The pawn on file 2 is stopped by a White pawn on 113: the passer on
    // file 3 has no passed neighbour on its left and gets no 25.
    auto e = KingsOnly(48, 167);
    test::Place(*e, 160, WhiteKnight);
    test::Place(*e, 98, BlackPawn);
    test::Place(*e, 99, BlackPawn);
    test::Place(*e, 113, WhitePawn);
    EXPECT_EQ(BlackTerms(*e), 6 - 6 + 38);
}

TEST(EvalPawns, IslandsAndIsolatedFiles) {
    // One pawn per file on the side's relative rank 2, each blocked by an
    // enemy pawn straight ahead, so only islands and isolation count.
    struct Case {
        std::initializer_list<int> Files;
        int Value;  // for Black; White's is the negative
    };
    const Case cases[] = {
        {{0, 7}, 6 - 6 - 8 - 14},
        {{0}, -8},
        {{7}, -8},
        {{3}, -14},
        {{0, 1}, 0},
        {{6, 7}, 0},
        {{0, 2}, 6 - 6 - 8 - 6 - 14},
        {{5, 7}, 6 - 6 - 14 - 14},
        {{1, 2, 4}, 6 - 6 - 6 - 14},
        {{1, 3, 5}, 6 - 3 * 20},
        {{0, 1, 2, 3, 4, 5, 6, 7}, 0},
    };
    for (const Case& c : cases) {
        auto b = KingsOnly(52, 164);
        auto w = KingsOnly(52, 164);
        for (int f : c.Files) {
            test::Place(*b, 64 + f, BlackPawn);
            test::Place(*b, 144 + f, WhitePawn);
            test::Place(*w, 144 + f, WhitePawn);
            test::Place(*w, 64 + f, BlackPawn);
        }
        EXPECT_EQ(BlackTerms(*b), c.Value) << *c.Files.begin() << " " << c.Files.size();
        EXPECT_EQ(WhiteTerms(*w), -c.Value) << *c.Files.begin() << " " << c.Files.size();
    }
}

TEST(EvalPawns, DoubledPawnsPayPerFile) {
    // c pawns on one file, blocked by an enemy pawn on a neighbouring file
    // at the far end; the file's isolation is charged once (8 on the edge
    // files, 14 elsewhere).
    const int penalty[7] = {0, 0, 16, 40, 88, 184, 376};
    for (int file : {0, 3, 7}) {
        const int island = file == 3 ? 14 : 8;
        const int next = file == 0 ? 1 : file - 1;
        for (int c = 2; c <= 6; ++c) {
            auto b = KingsOnly(48, 167);
            test::Place(*b, 160 + next, WhitePawn);
            auto w = KingsOnly(55, 160);
            test::Place(*w, 48 + next, BlackPawn);
            for (int k = 0; k < c; ++k) {
                test::Place(*b, 64 + file + 16 * k, BlackPawn);
                test::Place(*w, 144 + file - 16 * k, WhitePawn);
            }
            EXPECT_EQ(BlackTerms(*b), -island - penalty[c]) << file << " " << c;
            EXPECT_EQ(WhiteTerms(*w), island + penalty[c]) << file << " " << c;
        }
    }
}

TEST(EvalPawns, SquareRule) {
    auto e = KingsOnly(48, 167);
    // Black pawn on 132 (row 8, file 4). Black to move: the White king needs
    // a file distance of at most 2 and a row of at least 8.
    struct Case {
        int King;
        int Ply;
        bool Inside;
    };
    const Case white[] = {{167, 1, false}, {166, 1, true},  {161, 1, false}, {162, 1, true},
                          {116, 1, false}, {133, 1, true},  {167, 2, true},  {161, 2, true},
                          {160, 2, false}, {116, 2, true},  {100, 2, false}};
    for (const Case& c : white) {
        e->Board[WhiteKingCell] = static_cast<Byte>(c.King);
        e->CurrentPly = static_cast<Byte>(c.Ply);
        EXPECT_EQ(WhiteKingInSquare(*e, 132), c.Inside) << c.King << " at ply " << c.Ply;
    }
    // White pawn on 83 (row 5, file 3). Black to move: file distance at most
    // 3, row at most 6; White to move: at most 2 and 5.
    const Case black[] = {{48, 1, true},  {54, 1, true},  {55, 1, false}, {102, 1, true}, {118, 1, false},
                          {48, 2, false}, {49, 2, true},  {53, 2, true},  {86, 2, false}, {85, 2, true},
                          {101, 2, false}};
    for (const Case& c : black) {
        e->Board[BlackKingCell] = static_cast<Byte>(c.King);
        e->CurrentPly = static_cast<Byte>(c.Ply);
        EXPECT_EQ(BlackKingInSquare(*e, 83), c.Inside) << c.King << " at ply " << c.Ply;
    }
}

TEST(EvalPawns, UnstoppablePasserAgainstBareKing) {
    // Black pawn on 132 (relative rank 6: 62), White has only its king, Black
    // to move: outside the square from 167 (+180), inside from 166.
    auto e = KingsOnly(48, 167);
    test::Place(*e, 132, BlackPawn);
    EXPECT_EQ(BlackTerms(*e), -14 + 62 + 180);
    test::Place(*e, 167, Empty);
    test::Place(*e, 166, WhiteKing);
    EXPECT_EQ(BlackTerms(*e), -14 + 62);
    // Any White piece turns the 180 off.
    test::Place(*e, 167, Empty);
    test::Place(*e, 166, Empty);
    test::Place(*e, 167, WhiteKing);
    test::Place(*e, 160, WhiteBishop);
    EXPECT_EQ(BlackTerms(*e), -14 + 62);

    // White pawn on 83 (relative rank 6), Black king on 54: inside the square
    // with Black to move, outside with White to move.
    auto w = KingsOnly(54, 167, 1);
    test::Place(*w, 83, WhitePawn);
    EXPECT_EQ(WhiteTerms(*w), 14 - 62);
    w->CurrentPly = 2;
    EXPECT_EQ(WhiteTerms(*w), 14 - 62 - 180);
}

TEST(EvalPawns, BoostAgainstKingAndPawns) {
    auto e = KingsOnly(48, 167);
    EvalWork w{};
    w.LazyScore = 32768;
    struct Case {
        Word Black, White;  // signatures
        int Change;         // pawn balance since the scan
        int Boosted;
    };
    const Case cases[] = {
        {0, 0, -40, -50}, {0, 0, -41, -51}, {0, 0, 43, 53},  {0, 0, 0, 0},
        {1, 0, -40, -40}, {0, 1, 40, 40},   {0, 32, -40, -50}, {32, 0, 40, 50},
    };
    for (const Case& c : cases) {
        e->BlackSignature = c.Black;
        e->WhiteSignature = c.White;
        Word s = static_cast<Word>(32768 + c.Change);
        PawnStructureBoost(*e, w, s);
        EXPECT_EQ(static_cast<int>(s) - 32768, c.Boosted) << c.Black << " " << c.White << " " << c.Change;
    }
}

// Both sides' terms through the pawn cache agree with the terms worked out
// afresh: along random games (the cache warm from the positions before), in
// pawn endings (where the square rule bypasses it) and for two structures
// that share an entry, met in turn.
TEST(EvalPawns, CacheGivesTheTermsWorkedOut) {
    auto direct = [](Engine& e) {
        EvalWork w;
        ScanBoard(e, w);
        Word s = ScoreLevel;
        BlackPawnTerms(e, w, s);
        WhitePawnTerms(e, w, s);
        return s;
    };
    auto cached = [](Engine& e) {
        EvalWork w;
        ScanBoard(e, w);
        Word s = ScoreLevel;
        PawnTermsOfBoth(e, s);
        return s;
    };
    std::mt19937 random(31);
    int positions = 0;
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 b - - 0 1", "r3k3/pp4pp/8/8/8/8/PP4PP/4K2R w - - 0 1"}) {
        test::Game g;
        ASSERT_TRUE(g.SetUp(fen));
        Engine& e = g.First();
        for (int ply = 0; ply < 150; ++ply, ++positions) {
            LoadBoard(e, e.GameBoard);
            e.CurrentPly = e.GameTurn == TurnEngine ? 1 : 2;
            ASSERT_EQ(cached(e), direct(e)) << fen << " ply " << ply;
            const auto moves = test::LegalMoves(e);
            if (moves.empty()) break;
            const auto [f, t] = moves[random() % moves.size()];
            const Byte code = e.GameTurn == TurnEngine ? PlayBlackMove(e, f, t, BlackQueen) : PlayWhiteMove(e, f, t, WhiteQueen);
            if (code != GameGoesOn) break;
        }
    }
    EXPECT_GT(positions, 200);

    // Two structures of one entry: each time the other one's terms stand there.
    auto e = KingsOnly(48, 167);
    test::Place(*e, 55, BlackKnight);
    test::Place(*e, 160, WhiteKnight);
    // Three pawns a side on rows 4 to 9: the even entries Black's, the odd
    // ones White's. A structure keeps one side's pawns of `base` when asked.
    auto structure = [&](std::uint32_t seed, const std::vector<int>& base, int keep) {
        std::mt19937 r(seed);
        std::vector<int> cells = base.empty() ? std::vector<int>(6) : base;
        for (int k = 0; k < 6; ++k)
            if (base.empty() || k % 2 != keep) cells[k] = 64 + 16 * static_cast<int>(r() % 6) + static_cast<int>(r() % 8);
        return cells;
    };
    auto setPawns = [&](const std::vector<int>& cells) {
        for (int row = 64; row <= 144; row += 16)
            for (int x = row; x < row + 8; ++x) e->Board[x] = Empty;
        for (std::size_t k = 0; k < cells.size(); ++k) e->Board[cells[k]] = k % 2 ? WhitePawn : BlackPawn;
        BuildPieceLists(*e);
    };
    const std::vector<int> first = structure(1, {}, -1);
    setPawns(first);
    const std::uint32_t index = PawnCacheIndex(e->PieceSquares[BlackPawn], e->PieceSquares[WhitePawn]);
    const Word firstTerms = direct(*e);
    // Partners in the same entry: one with Black's pawns as they stand, one
    // with White's, one with neither.
    for (int keep : {0, 1, -1}) {
        std::vector<int> second;
        for (std::uint32_t seed = 2; second.empty(); ++seed) {
            setPawns(structure(seed, first, keep));
            if (PawnCacheIndex(e->PieceSquares[BlackPawn], e->PieceSquares[WhitePawn]) == index && direct(*e) != firstTerms)
                second = structure(seed, first, keep);
        }
        for (int round = 0; round < 3; ++round) {
            setPawns(first);
            EXPECT_EQ(cached(*e), direct(*e)) << keep << " " << round;
            setPawns(second);
            EXPECT_EQ(cached(*e), direct(*e)) << keep << " " << round;
        }
    }
}

}  // namespace
}  // namespace corvane
