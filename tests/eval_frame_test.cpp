// The frame of Evaluate: the board scan, the signatures, the lazy test, the
// final 32767 rule and the worked positions.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/eval/eval_internal.h"
#include "engine/eval/evaluate.h"
#include "test_support.h"

namespace corvane {
namespace {

void SetPly(Engine& e, int ply, Word parentBound = ScoreLevel, Word currentBound = ScoreLevel) {
    e.CurrentPly = static_cast<Byte>(ply);
    e.ParentPly = static_cast<Byte>(ply - 1);
    e.PlyBound[ply - 1] = parentBound;
    e.PlyBound[ply] = currentBound;
}

// An empty board with the two kings, Black to move at ply 1, bounds at level.
std::unique_ptr<Engine> KingsOnly(int blackKing, int whiteKing) {
    auto e = test::MakeEngine();
    test::ClearBoard(*e);
    test::Place(*e, blackKing, BlackKing);
    test::Place(*e, whiteKing, WhiteKing);
    SetPly(*e, 1);
    return e;
}

// Scan score relative to level, without the tempo point.
int ScanValue(Engine& e) {
    EvalWork w;
    return static_cast<int>(ScanBoard(e, w)) - ScoreLevel - (e.CurrentPly & 1);
}

TEST(EvalScan, MaterialAndPlacementOfEachPiece) {
    struct Case {
        int Cell;
        Byte Code;
        int Value;
    };
    const Case cases[] = {
        {50, BlackBishop, 322},   // home square
        {53, BlackBishop, 322},   // home square
        {66, BlackBishop, 325},
        {165, WhiteBishop, -322},  // home square
        {162, WhiteBishop, -322},
        {146, WhiteBishop, -325},
        {147, BlackPawn, 154},    // relative rank 7: 90 + 64
        {68, WhitePawn, -154},    // White's relative rank 7
        {99, BlackPawn, 120},     // 90 + 30
        {48, BlackKnight, 304},   // 224 + 80
        {160, WhiteKnight, -304},
        {167, BlackKnight, 224},  // relative rank 8 corner reads 0
        {51, BlackRook, 515},     // file 3 bonus
        {160, WhiteRook, -512},
        {118, WhiteRook, -513},   // file 6 bonus, not mirrored
        {100, BlackQueen, 1000},
        {100, WhiteQueen, -1000},
    };
    for (const Case& c : cases) {
        auto e = KingsOnly(52, 164);
        test::Place(*e, c.Cell, c.Code);
        EXPECT_EQ(ScanValue(*e), c.Value) << "cell " << c.Cell << " code " << int(c.Code);
    }
}

TEST(EvalScan, SignaturesAndWhatTheTermsReadOfTheLists) {
    auto e = KingsOnly(52, 164);
    test::Place(*e, 100, BlackQueen);
    test::Place(*e, 70, BlackQueen);
    test::Place(*e, 130, BlackQueen);
    test::Place(*e, 119, BlackRook);
    test::Place(*e, 49, BlackRook);
    test::Place(*e, 64, BlackPawn);
    test::Place(*e, 96, BlackPawn);
    test::Place(*e, 145, WhitePawn);
    test::Place(*e, 150, WhiteBishop);
    test::Place(*e, 86, WhiteKnight);
    test::Place(*e, 87, WhiteKnight);
    EvalWork w;
    const Word s = ScanBoard(*e, w);

    // Several queens add 1024 once; the queen the king safety reads is the
    // last one in cell order.
    EXPECT_EQ(e->BlackSignature, 1024 + 2 * 32);
    EXPECT_EQ(e->WhiteSignature, 3);
    EXPECT_EQ(LastCell(e->PieceSquares[BlackQueen]), 130);
    EXPECT_EQ(e->PieceSquares[WhiteQueen], 0u);
    // Pieces in cell order.
    EXPECT_EQ(e->PieceCount[BlackRook], 2);
    EXPECT_EQ(FirstCell(e->PieceSquares[BlackRook]), 49);
    EXPECT_EQ(LastCell(e->PieceSquares[BlackRook]), 119);
    EXPECT_EQ(FirstCell(e->PieceSquares[WhiteBishop]), 150);
    EXPECT_EQ(e->PieceCount[WhiteKnight], 2);
    EXPECT_EQ(e->PieceCount[BlackPawn], 2);
    EXPECT_EQ(e->PieceCount[WhitePawn], 1);
    // A file's rows as bit (row - 3): rows 4 and 6 on file 0, row 9 on file 1.
    EXPECT_EQ(FileRows(e->PieceSquares[BlackPawn], 0), 0b1010);
    EXPECT_EQ(FileRows(e->PieceSquares[WhitePawn], 1), 0b1000000);
    for (int f = 1; f < 8; ++f) EXPECT_EQ(FileRows(e->PieceSquares[BlackPawn], f), 0) << f;
    EXPECT_EQ(FilesOf(e->PieceSquares[BlackPawn]), 1u);
    EXPECT_EQ(FilesOf(e->Occupied), 0b11010111u);  // files 3 and 5 empty
    EXPECT_EQ(w.LazyScore, s);
    EXPECT_EQ(w.RookShutIn[BlackOrders.Index], 0);

    // Three queens alone add 3 x 1000 in the scan.
    auto q = KingsOnly(52, 164);
    for (int cell : {80, 81, 82}) test::Place(*q, cell, BlackQueen);
    EXPECT_EQ(ScanValue(*q), 3000);
    EXPECT_EQ(q->BlackSignature, 1024);
}

TEST(EvalScan, PieceListsHoldAnyNumberOfPieces) {
    // A set-up position may hold far more pieces of a kind than a game can;
    // the lists still take every one of them.
    auto e = KingsOnly(48, 167);
    for (int row = 64; row <= 144; row += 16)
        for (int x = row; x < row + 8; ++x) test::Place(*e, x, BlackRook);
    EvalWork w;
    ScanBoard(*e, w);
    EXPECT_EQ(e->PieceCount[BlackRook], 48);
    EXPECT_EQ(LastCell(e->PieceSquares[BlackRook]), 151);
    // Every file full: the rows of a file gather without a carry.
    for (int f = 0; f < 8; ++f) EXPECT_EQ(FileRows(e->PieceSquares[BlackRook], f), 0b01111110) << f;
    EXPECT_EQ(e->BlackSignature, 48 * 32);
    const Word first = Evaluate(*e);
    EXPECT_EQ(Evaluate(*e), first);
}

TEST(EvalLazy, BoundsDecideThePositionalStage) {
    auto e = KingsOnly(52, 164);
    // s = 32768 throughout; (U, V) = (parent bound, current bound).
    struct Case {
        int U, V;
        bool Runs;
    };
    const Case cases[] = {
        {32768, 32768, true},
        // Equal bounds B: the stage runs for 32168 < B < 33368.
        {32168, 32168, false},
        {32169, 32169, true},
        {33368, 33368, false},
        {33367, 33367, true},
        {32068, 32068, false},  // 700 above both bounds
        {31068, 31068, false},
        {33200, 33000, true},   // only the first clause: s < U + 400 and s > V - 600
        {32000, 33100, true},   // only the second clause: s > U - 400 and s < V + 600
        // Each of the four comparisons at its edge, the others holding.
        {32368, 32168, false},  // s = U + 400 and s = V + 600
        {32369, 32168, true},   // s < U + 400, s > V - 600
        {32368, 32169, true},   // s > U - 400, s < V + 600
        {33168, 33368, false},  // s = U - 400 and s = V - 600
        {33168, 33367, true},   // s < U + 400, s > V - 600
        {33167, 33368, true},   // s > U - 400, s < V + 600
        {33218, 33418, false},  // U 450 and V 650 above s: neither clause
        {32318, 32118, false},  // U 450 and V 650 below s: neither clause
        {40000, 100, true},     // V - 600 is negative, not a wrapped large number
        {65400, 32768, true},   // U + 400 exceeds 65535 and does not wrap
        {100, 65535, true},     // U - 400 is negative
    };
    for (const Case& c : cases) {
        SetPly(*e, 1, static_cast<Word>(c.U), static_cast<Word>(c.V));
        EXPECT_EQ(PositionalStageRuns(*e, ScoreLevel), c.Runs) << c.U << " " << c.V;
    }
}

TEST(EvalWhole, InitialPositionAndLoneKings) {
    auto e = test::MakeEngine();
    for (int ply : {1, 3, 2, 4}) {
        // With and without the positional stage.
        for (Word bound : {Word(32768), Word(20000), Word(60000)}) {
            SetPly(*e, ply, bound, bound);
            EXPECT_EQ(Evaluate(*e), 32768 + (ply & 1)) << ply << " " << bound;
            EXPECT_EQ(e->BlackSignature, 1092);
            EXPECT_EQ(e->WhiteSignature, 1092);
        }
    }
    auto k = KingsOnly(52, 164);
    for (int ply : {1, 2}) {
        SetPly(*k, ply);
        EXPECT_EQ(Evaluate(*k), 32768 + (ply & 1));
        EXPECT_EQ(k->BlackSignature, 0);
        EXPECT_EQ(k->WhiteSignature, 0);
    }
}

TEST(EvalWhole, WorkedPositions) {
    // Rook and pawns against pawns.
    auto e = KingsOnly(52, 164);
    test::Place(*e, 48, BlackRook);
    for (int cell : {64, 65, 66}) test::Place(*e, cell, BlackPawn);
    for (int cell : {145, 146, 147}) test::Place(*e, cell, WhitePawn);
    SetPly(*e, 1);
    EXPECT_EQ(Evaluate(*e), 33378);
    EXPECT_EQ(e->BlackSignature, 32);
    EXPECT_EQ(e->WhiteSignature, 0);
    SetPly(*e, 2);
    EXPECT_EQ(Evaluate(*e), 33377);
    SetPly(*e, 1, 20000, 20000);
    EXPECT_EQ(Evaluate(*e), 33365);
    SetPly(*e, 2, 20000, 20000);
    EXPECT_EQ(Evaluate(*e), 33364);

    // Bishop and knight against a lone king, which stands in the corner of
    // the bishop's colour (160) or in a wrong one (167).
    auto b = KingsOnly(100, 160);
    test::Place(*b, 83, BlackBishop);
    test::Place(*b, 84, BlackKnight);
    EXPECT_EQ(Evaluate(*b), 33553);
    EXPECT_EQ(b->BlackSignature, 2);
    test::Place(*b, 160, Empty);
    test::Place(*b, 167, WhiteKing);
    EXPECT_EQ(Evaluate(*b), 33457);
}

TEST(EvalWhole, EndgameStageRunsWhenThePositionalStageIsSkipped) {
    // King and knight against king: the scan gives 32769 + 224 + 130, which
    // lies far above bounds of 20000; the endgame stage still resets it to level.
    auto e = KingsOnly(52, 164);
    test::Place(*e, 117, BlackKnight);
    SetPly(*e, 1, 20000, 20000);
    EXPECT_FALSE(PositionalStageRuns(*e, static_cast<Word>(32769 + 224 + 130)));
    EXPECT_EQ(Evaluate(*e), 32768);
}

TEST(EvalWhole, ScoreOfADrawIsNeverReturned) {
    // Lone kings on 65 (table value 2) and 149 (reads entry 66, value 3), Black
    // to move: 32769 + 2 x 2 - 2 x 3 = 32767; the White branch's trade-down
    // takes 1 / 5 = 0. The result is lifted to 32768.
    auto e = KingsOnly(65, 149);
    EXPECT_EQ(Evaluate(*e), 32768);
    // White to move the same terms give 32766, which stays.
    SetPly(*e, 2);
    EXPECT_EQ(Evaluate(*e), 32766);
    // With the positional stage skipped only the tempo point is left.
    SetPly(*e, 1, 20000, 20000);
    EXPECT_EQ(Evaluate(*e), 32769);
}

TEST(EvalWhole, LeavesTheBoardAloneAndRepeatsItself) {
    test::Game game;
    ASSERT_TRUE(game.SetUp("r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R b KQ - 0 8"));
    Engine& e = game.First();
    for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
    SetPly(e, 1);
    Byte before[BoardCells];
    std::memcpy(before, e.Board, sizeof before);
    const Word first = Evaluate(e);
    const Word blackSignature = e.BlackSignature;
    const Word whiteSignature = e.WhiteSignature;
    EXPECT_EQ(std::memcmp(before, e.Board, sizeof before), 0);
    e.BlackSignature = e.WhiteSignature = 999;
    EXPECT_EQ(Evaluate(e), first);
    EXPECT_EQ(e.BlackSignature, blackSignature);
    EXPECT_EQ(e.WhiteSignature, whiteSignature);
    EXPECT_EQ(blackSignature, 1024 + 2 * 32 + 2 + 2);
    EXPECT_EQ(std::memcmp(before, e.Board, sizeof before), 0);
}

}  // namespace
}  // namespace corvane
