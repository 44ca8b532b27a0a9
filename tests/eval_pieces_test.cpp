// Piece terms: rooks, kings with king safety, bishops. Each term is measured
// as the change it makes on top of the board scan.
#include <set>

#include "engine/eval/eval_internal.h"
#include "test_support.h"

namespace corvane {
namespace {

std::unique_ptr<Engine> KingsOnly(int blackKing, int whiteKing) {
    auto e = test::MakeEngine();
    test::ClearBoard(*e);
    test::Place(*e, blackKing, BlackKing);
    test::Place(*e, whiteKing, WhiteKing);
    e->CurrentPly = 1;
    e->ParentPly = 0;
    return e;
}

// Change made by `stage` from a start score, after the scan; `work` gets the
// per-call data as the stage left it.
template <class Stage>
int Delta(Engine& e, Stage stage, EvalWork& work, Word start = ScoreLevel) {
    ScanBoard(e, work);
    Word s = start;
    stage(e, work, s);
    return static_cast<int>(s) - static_cast<int>(start);
}

template <class Stage>
int Delta(Engine& e, Stage stage) {
    EvalWork work;
    return Delta(e, stage, work);
}

TEST(EvalRooks, FileTermsAndEnemyKingRows) {
    // Black rook on 48 hemmed in by its own knights (no mobility), Black king
    // on file 4 (not shut in).
    struct Case {
        int BlackPawns[2];
        int WhitePawn;
        int WhiteKing;
        int Value;
    };
    const Case black[] = {
        {{0, 0}, 0, 167, 24},     // no pawn on the file
        {{0, 0}, 144, 167, 16},   // only a White pawn
        {{96, 0}, 0, 167, 13},    // only a Black pawn on relative rank 4
        {{80, 0}, 0, 167, 8},     // on relative rank 3
        {{80, 112}, 0, 167, 8},   // one of them behind relative rank 4
        {{96, 112}, 144, 167, 5},
        {{0, 0}, 0, 55, 41},      // White king on the rook's row
        {{0, 0}, 0, 71, 41},      // on the next row
        {{0, 0}, 0, 87, 24},      // two rows away
    };
    for (const Case& c : black) {
        auto e = KingsOnly(52, c.WhiteKing);
        test::Place(*e, 48, BlackRook);
        test::Place(*e, 49, BlackKnight);
        test::Place(*e, 64, BlackKnight);
        for (int p : c.BlackPawns)
            if (p) test::Place(*e, p, BlackPawn);
        if (c.WhitePawn) test::Place(*e, c.WhitePawn, WhitePawn);
        EXPECT_EQ(Delta(*e, BlackRookTerms), c.Value) << c.BlackPawns[0] << " " << c.WhitePawn << " " << c.WhiteKing;
    }

    // White rook on 167 hemmed in by its own knights, White king on file 4.
    struct WhiteCase {
        int BlackPawn;
        int WhitePawn;
        int BlackKing;
        int Value;
    };
    const WhiteCase white[] = {{0, 0, 48, -24}, {71, 0, 48, -16}, {0, 119, 48, -13}, {0, 0, 144, -41}};
    for (const WhiteCase& c : white) {
        auto e = KingsOnly(c.BlackKing, 164);
        test::Place(*e, 167, WhiteRook);
        test::Place(*e, 166, WhiteKnight);
        test::Place(*e, 151, WhiteKnight);
        if (c.BlackPawn) test::Place(*e, c.BlackPawn, BlackPawn);
        if (c.WhitePawn) test::Place(*e, c.WhitePawn, WhitePawn);
        EXPECT_EQ(Delta(*e, WhiteRookTerms), c.Value) << c.BlackPawn << " " << c.WhitePawn << " " << c.BlackKing;
    }
}

TEST(EvalRooks, MobilityAndShutIn) {
    // Rook on 99: 3 empty cells up, 4 down, 4 right, 3 left: 2 x 7 + 7 = 21,
    // plus 24 for the empty file.
    auto e = KingsOnly(48, 167);
    test::Place(*e, 99, BlackRook);
    EXPECT_EQ(Delta(*e, BlackRookTerms), 24 + 21);
    test::Place(*e, 131, WhiteKnight);  // one cell down remains
    EXPECT_EQ(Delta(*e, BlackRookTerms), 24 + 2 * (3 + 1) + 4 + 3);

    // The rooks of the initial position earn nothing; both stand beyond
    // their king toward the h-file, so both sides are shut in.
    auto start = test::MakeEngine();
    start->CurrentPly = 1;
    EvalWork w;
    EXPECT_EQ(Delta(*start, BlackRookTerms, w), 0);
    EXPECT_EQ(w.RookShutIn[BlackOrders.Index], 1);
    EXPECT_EQ(Delta(*start, WhiteRookTerms, w), 0);
    EXPECT_EQ(w.RookShutIn[WhiteOrders.Index], 1);

    struct Case {
        int King, Rook;
        bool ShutIn;
    };
    const Case black[] = {{52, 55, true}, {71, 55, false}, {50, 48, true}, {51, 67, false}, {52, 48, false}, {51, 49, true}};
    for (const Case& c : black) {
        auto b = KingsOnly(c.King, 164);
        test::Place(*b, c.Rook, BlackRook);
        Delta(*b, BlackRookTerms, w);
        EXPECT_EQ(w.RookShutIn[BlackOrders.Index] == 1, c.ShutIn) << c.King << " " << c.Rook;
        EXPECT_EQ(w.RookShutIn[WhiteOrders.Index], 0);
    }
    const Case white[] = {{164, 167, true}, {161, 160, true}, {164, 160, false}, {167, 151, false}};
    for (const Case& c : white) {
        auto b = KingsOnly(52, c.King);
        test::Place(*b, c.Rook, WhiteRook);
        Delta(*b, WhiteRookTerms, w);
        EXPECT_EQ(w.RookShutIn[WhiteOrders.Index] == 1, c.ShutIn) << c.King << " " << c.Rook;
    }
}

struct Piece {
    int Cell;
    Byte Code;
};

// King terms with the rook terms' shut-in flag as set, less the same with the flag cleared.
template <class Rooks, class Kings>
int ShutInCost(int blackKing, int whiteKing, Piece queen, Piece rook, Rooks rooks, Kings kings) {
    auto e = KingsOnly(blackKing, whiteKing);
    test::Place(*e, queen.Cell, queen.Code);
    test::Place(*e, rook.Cell, rook.Code);
    EvalWork w;
    ScanBoard(*e, w);
    Word s = ScoreLevel;
    rooks(*e, w, s);
    const int side = rook.Code == BlackRook ? BlackOrders.Index : WhiteOrders.Index;
    EXPECT_EQ(w.RookShutIn[side], 1);
    Word with = ScoreLevel;
    kings(*e, w, with);
    w.RookShutIn[side] = 0;
    Word without = ScoreLevel;
    kings(*e, w, without);
    return with - without;
}

TEST(EvalKings, CentralisationBySignatureAndSafetyBlock) {
    // Black king on 99 (table value 16), White king on 167. With a White queen
    // the safety block adds: zone 0 (all 17 cells empty), shield -54 (no pawn
    // on files 2 to 4), +2 (queen on file 0, White king on file 7), +10 (no
    // White pawn on file 6) = -42.
    struct Case {
        int Pieces[3];
        Byte Codes[3];
        int Signature;
        int Value;
    };
    const Case black[] = {
        {{0, 0, 0}, {0, 0, 0}, 0, 32},
        {{160, 0, 0}, {WhiteRook, 0, 0}, 32, 32},
        {{160, 161, 0}, {WhiteRook, WhiteRook, 0}, 64, 16},
        {{160, 161, 165}, {WhiteRook, WhiteRook, WhiteKnight}, 65, 16},
        {{161, 162, 165}, {WhiteRook, WhiteRook, WhiteBishop}, 65, 16},
        {{160, 0, 0}, {WhiteQueen, 0, 0}, 1024, -16 - 42},
        {{160, 165, 0}, {WhiteQueen, WhiteKnight, 0}, 1025, -48 - 42},
        {{160, 161, 0}, {WhiteQueen, WhiteRook, 0}, 1056, -144 - 42},
    };
    for (const Case& c : black) {
        auto e = KingsOnly(99, 167);
        for (int i = 0; i < 3; ++i)
            if (c.Pieces[i]) test::Place(*e, c.Pieces[i], c.Codes[i]);
        const int value = Delta(*e, BlackKingTerms);
        EXPECT_EQ(e->WhiteSignature, c.Signature);
        EXPECT_EQ(value, c.Value) << c.Signature;
    }
    // Two rooks and two minor pieces (66): the king's table value turns into a penalty.
    auto e = KingsOnly(99, 167);
    for (int cell : {160, 161}) test::Place(*e, cell, WhiteRook);
    for (int cell : {165, 166}) test::Place(*e, cell, WhiteKnight);
    EXPECT_EQ(Delta(*e, BlackKingTerms), -16);

    // White, mirrored: king on 116 (reads entry 99), Black king on 48, Black
    // queen on 55: shield +54, -2 (queen on file 7, Black king on file 0),
    // -10 (no Black pawn on file 1) = +42.
    const Case white[] = {
        {{55, 54, 49}, {BlackRook, BlackRook, BlackKnight}, 65, -16},
        {{55, 0, 0}, {BlackQueen, 0, 0}, 1024, 16 + 42},
        {{55, 54, 0}, {BlackQueen, BlackRook, 0}, 1056, 144 + 42},
    };
    for (const Case& c : white) {
        auto w = KingsOnly(48, 116);
        for (int i = 0; i < 3; ++i)
            if (c.Pieces[i]) test::Place(*w, c.Pieces[i], c.Codes[i]);
        const int value = Delta(*w, WhiteKingTerms);
        EXPECT_EQ(w->BlackSignature, c.Signature);
        EXPECT_EQ(value, c.Value) << c.Signature;
    }
}

TEST(EvalKings, ZoneWeightsAndOffsets) {
    // Black king on 99 with a White queen on 160 (-58 as above); White king
    // on 116 with a Black queen on 167 (+58). An enemy pawn (weight 8, an
    // empty cell 2) on each cell within two rows and two files of the king
    // costs 24 on the outer cells, 48 on the eight neighbours and nothing
    // elsewhere; the outer cells reach two rows toward the enemy.
    const std::set<int> inner = {-17, -16, -15, -1, 1, 15, 16, 17};
    const std::set<int> outer[2] = {{-18, -14, -2, 2, 14, 18, 31, 32, 33}, {-33, -32, -31, -18, -14, -2, 2, 14, 18}};
    for (int rows = -2; rows <= 2; ++rows) {
        for (int files = -2; files <= 2; ++files) {
            const int d = 16 * rows + files;
            if (d == 0) continue;
            for (int side = 0; side < 2; ++side) {
                const int cost = inner.count(d) ? 48 : outer[side].count(d) ? 24 : 0;
                auto e = side == 0 ? KingsOnly(99, 167) : KingsOnly(48, 116);
                test::Place(*e, side == 0 ? 160 : 167, side == 0 ? WhiteQueen : BlackQueen);
                test::Place(*e, (side == 0 ? 99 : 116) + d, side == 0 ? WhitePawn : BlackPawn);
                if (side == 0) EXPECT_EQ(Delta(*e, BlackKingTerms), -58 - cost) << d;
                else EXPECT_EQ(Delta(*e, WhiteKingTerms), 58 + cost) << d;
            }
        }
    }
    // Own pieces weigh less than an empty cell; a second queen among the
    // neighbours costs 8 x (14 - 2) (the first stays the queen cell).
    struct Case {
        int Cell;
        Byte Code;
        int Change;
    };
    const Case black[] = {
        {83, BlackBishop, 16},     // inner, weight 0
        {130, BlackRook, 4},       // outer, weight 1
        {84, BlackPawn, 16 + 18},  // inner, weight 0, and covers file 4
        {100, WhiteQueen, -96},
    };
    for (const Case& c : black) {
        auto e = KingsOnly(99, 167);
        test::Place(*e, 160, WhiteQueen);
        test::Place(*e, c.Cell, c.Code);
        EXPECT_EQ(Delta(*e, BlackKingTerms), -58 + c.Change) << c.Cell;
    }
    auto w = KingsOnly(48, 116);
    test::Place(*w, 167, BlackQueen);
    test::Place(*w, 117, BlackQueen);
    EXPECT_EQ(Delta(*w, WhiteKingTerms), 58 + 96);
}

TEST(EvalKings, PawnShieldQueenAndShutInSteps) {
    // Black king on 52 (value 4), White king 167, White queen 160: zone 0,
    // shield -54, +2 and +10 (White's wing), +4 (queen on file 0 against a
    // king on file 4): -4 - 54 + 16 = -42.
    auto e = KingsOnly(52, 167);
    test::Place(*e, 160, WhiteQueen);
    EXPECT_EQ(Delta(*e, BlackKingTerms), -42);
    // Pawns on 67 (inner) and 84 (outer) cover files 3 and 4: zone +16 + 8,
    // shield -18 only.
    test::Place(*e, 67, BlackPawn);
    test::Place(*e, 84, BlackPawn);
    EXPECT_EQ(Delta(*e, BlackKingTerms), -4 + 24 - 18 + 16);
    // A pawn on 100 is not a shield pawn.
    test::Place(*e, 84, Empty);
    test::Place(*e, 100, BlackPawn);
    EXPECT_EQ(Delta(*e, BlackKingTerms), -4 + 16 - 36 + 16);

    // Queen steps. Black king on 54 (value 0), shield -54 on files 5 to 7.
    struct Case {
        int BlackKing, WhiteKing, Queen, WhitePawn;
        int Value;
    };
    const Case black[] = {
        // White king on file 4, queen on 49: +2, +10, +4 (Black king on file 6), -15 (queen on a near row).
        {54, 164, 49, 0, -54 + 2 + 10 + 4 - 15},
        {54, 164, 49, 150, -54 + 2 + 4 - 15},  // a White pawn on file 6
        // White king on file 1, queen on 103 (file 7): +2, +10.
        {54, 161, 103, 0, -54 + 2 + 10},
        {54, 161, 103, 145, -54 + 2},  // a White pawn on file 1
        // Black king on 49 (file 1, value 0): +10, +4 for the queen on file 7.
        {49, 164, 103, 0, -54 + 10 + 4},
    };
    for (const Case& c : black) {
        auto b = KingsOnly(c.BlackKing, c.WhiteKing);
        test::Place(*b, c.Queen, WhiteQueen);
        if (c.WhitePawn) test::Place(*b, c.WhitePawn, WhitePawn);
        EXPECT_EQ(Delta(*b, BlackKingTerms), c.Value) << c.BlackKing << " " << c.WhiteKing << " " << c.Queen;
    }
    // White king on 161 (value 0), Black king on 51 (file 3), Black queen on
    // 166: shield +54, -2, -10, -4, +15.
    auto q = KingsOnly(51, 161);
    test::Place(*q, 166, BlackQueen);
    EXPECT_EQ(Delta(*q, WhiteKingTerms), 54 - 2 - 10 - 4 + 15);

    // A rook shut in by its own king costs 25 inside the safety block.
    EXPECT_EQ(ShutInCost(54, 164, {49, WhiteQueen}, {55, BlackRook}, BlackRookTerms, BlackKingTerms), -25);
    EXPECT_EQ(ShutInCost(54, 164, {48, BlackQueen}, {167, WhiteRook}, WhiteRookTerms, WhiteKingTerms), 25);
}

TEST(EvalBishops, MobilityTable) {
    const int along15[7] = {5, 9, 13, 17, 20, 24, 28};
    const int along17[7] = {4, 8, 12, 16, 21, 25, 29};
    for (int k = 0; k <= 6; ++k) {
        // From 48 only the +17 diagonal is open (the other three give 5, 5, 4).
        auto e = KingsOnly(52, 164);
        test::Place(*e, 48, BlackBishop);
        test::Place(*e, 48 + 17 * (k + 1), WhiteKnight);
        EXPECT_EQ(BishopMobility(*e, 48), 14 + along17[k]) << k;
        // From 55 only the +15 diagonal is open (the others give 4, 5, 4).
        auto f = KingsOnly(52, 164);
        test::Place(*f, 55, BlackBishop);
        test::Place(*f, 55 + 15 * (k + 1), BlackKnight);
        EXPECT_EQ(BishopMobility(*f, 55), 13 + along15[k]) << k;
    }
    // The whole long diagonal open: k = 7 on +17 gives (119 + 16) / 4 = 33.
    auto e = KingsOnly(52, 164);
    test::Place(*e, 48, BlackBishop);
    EXPECT_EQ(BishopMobility(*e, 48), 14 + 33);

    // Bishop on 99 on an open board: 17 + 21 + 17 + 16 = 71, less 16.
    auto open = KingsOnly(55, 160);
    test::Place(*open, 99, BlackBishop);
    EXPECT_EQ(Delta(*open, BlackBishopTerms), 55);
    open->Board[99] = Empty;
    test::Place(*open, 99, WhiteBishop);
    EXPECT_EQ(Delta(*open, WhiteBishopTerms), -55);

    // Initial position: 2 per bishop and 32 for the pair.
    auto start = test::MakeEngine();
    start->CurrentPly = 1;
    EXPECT_EQ(Delta(*start, BlackBishopTerms), 36);
    EXPECT_EQ(Delta(*start, WhiteBishopTerms), -36);
}

// The part of a side's bishop terms beyond mobility and the 16 per bishop.
int BishopPatterns(Engine& e, bool black) {
    EvalWork w;
    ScanBoard(e, w);
    Word s = ScoreLevel;
    int mobility = 0;
    if (black) {
        BlackBishopTerms(e, w, s);
        for (std::uint64_t b = e.PieceSquares[BlackBishop]; b != 0; b &= b - 1) mobility += BishopMobility(e, FirstCell(b)) - 16;
        return static_cast<int>(s) - ScoreLevel - mobility;
    }
    WhiteBishopTerms(e, w, s);
    for (std::uint64_t b = e.PieceSquares[WhiteBishop]; b != 0; b &= b - 1) mobility += BishopMobility(e, FirstCell(b)) - 16;
    return static_cast<int>(s) - ScoreLevel + mobility;
}

TEST(EvalBishops, TrappedAndBlockedPatterns) {
    struct Case {
        int Bishop;
        int Pawn;
        int Blocker;  // a non-pawn enemy piece, 0 for none
        int Value;
    };
    const Case black[] = {
        {151, 134, 0, -115}, {151, 150, 0, -115}, {151, 150, 134, 0}, {166, 134, 0, -115}, {166, 150, 0, -115},
        {144, 129, 0, -115}, {144, 145, 0, -115}, {144, 145, 129, 0}, {161, 129, 0, -115}, {161, 145, 0, -115},
        {135, 118, 0, -115}, {135, 134, 0, -115}, {135, 134, 118, 0}, {128, 113, 0, -115}, {128, 129, 0, -115},
        {128, 129, 113, 0},  {150, 134, 0, 0},    {151, 149, 0, 0},
    };
    for (const Case& c : black) {
        auto e = KingsOnly(52, 164);
        test::Place(*e, c.Bishop, BlackBishop);
        test::Place(*e, c.Pawn, WhitePawn);
        if (c.Blocker) test::Place(*e, c.Blocker, WhiteKnight);
        EXPECT_EQ(BishopPatterns(*e, true), c.Value) << c.Bishop << " " << c.Pawn << " " << c.Blocker;
    }
    const Case white[] = {
        {64, 81, 0, 115},  {64, 65, 0, 115},  {64, 65, 81, 0},   {49, 81, 0, 115},  {49, 65, 0, 115},
        {71, 86, 0, 115},  {71, 70, 0, 115},  {71, 70, 86, 0},   {54, 86, 0, 115},  {54, 70, 0, 115},
        {80, 97, 0, 115},  {80, 81, 0, 115},  {80, 81, 97, 0},   {87, 102, 0, 115}, {87, 86, 0, 115},
        {87, 86, 102, 0},  {65, 81, 0, 0},
    };
    for (const Case& c : white) {
        auto e = KingsOnly(52, 164);
        test::Place(*e, c.Bishop, WhiteBishop);
        test::Place(*e, c.Pawn, BlackPawn);
        if (c.Blocker) test::Place(*e, c.Blocker, BlackKnight);
        EXPECT_EQ(BishopPatterns(*e, false), c.Value) << c.Bishop << " " << c.Pawn << " " << c.Blocker;
    }
    // An own pawn traps nothing.
    auto own = KingsOnly(52, 164);
    test::Place(*own, 151, BlackBishop);
    test::Place(*own, 134, BlackPawn);
    EXPECT_EQ(BishopPatterns(*own, true), 0);

    // Two bishops on one line's cells pay once, and get the pair bonus.
    auto two = KingsOnly(52, 164);
    test::Place(*two, 151, BlackBishop);
    test::Place(*two, 166, BlackBishop);
    test::Place(*two, 134, WhitePawn);
    EXPECT_EQ(BishopPatterns(*two, true), -115 + 32);
    // Three bishops: no pair bonus.
    test::Place(*two, 100, BlackBishop);
    EXPECT_EQ(BishopPatterns(*two, true), -115);

    // Bishops in front of their own unmoved centre pawns.
    struct Blocked {
        int Bishop, Pawn;
        bool BlackSide;
        int Value;
    };
    const Blocked blocked[] = {{83, 67, true, -25}, {84, 68, true, -25}, {83, 68, true, 0},
                               {131, 147, false, 25}, {132, 148, false, 25}, {131, 148, false, 0}};
    for (const Blocked& c : blocked) {
        auto e = KingsOnly(48, 167);
        test::Place(*e, c.Bishop, c.BlackSide ? BlackBishop : WhiteBishop);
        test::Place(*e, c.Pawn, c.BlackSide ? BlackPawn : WhitePawn);
        EXPECT_EQ(BishopPatterns(*e, c.BlackSide), c.Value) << c.Bishop << " " << c.Pawn;
    }
}

TEST(EvalBishops, OppositeColouredBishopsScaleTowardLevel) {
    // Black bishop on 99 (colour 1); White bishop on 100 (colour 0) or 101
    // (colour 1). The start score is chosen so that the score at the scaling
    // step, after White's mobility, is `reached`.
    struct Case {
        int WhiteBishop;
        int Reached;
        int Result;
    };
    const Case cases[] = {
        {100, 32928, 32928 - 20 - 10},
        {100, 33088, 33088 - 40 - 20},
        {100, 32608, 32608 + 20 + 10},
        {100, 32448, 32448 + 40 + 20},  // d = 320: the sixteenth is 20, not 21
        {100, 32768, 32768},
        {100, 32783, 32783 - 1 - 0},
        {101, 32928, 32928},
    };
    for (const Case& c : cases) {
        auto e = KingsOnly(48, 167);
        test::Place(*e, 99, BlackBishop);
        test::Place(*e, c.WhiteBishop, WhiteBishop);
        const int mobility = BishopMobility(*e, c.WhiteBishop) - 16;
        EvalWork w;
        ScanBoard(*e, w);
        Word s = static_cast<Word>(c.Reached + mobility);
        WhiteBishopTerms(*e, w, s);
        EXPECT_EQ(s, c.Result) << c.WhiteBishop << " " << c.Reached;
    }
    // With two Black bishops nothing is scaled.
    auto e = KingsOnly(48, 167);
    test::Place(*e, 99, BlackBishop);
    test::Place(*e, 98, BlackBishop);
    test::Place(*e, 100, WhiteBishop);
    const int mobility = BishopMobility(*e, 100) - 16;
    EvalWork w;
    ScanBoard(*e, w);
    Word s = static_cast<Word>(32928 + mobility);
    WhiteBishopTerms(*e, w, s);
    EXPECT_EQ(s, 32928);
}

}  // namespace
}  // namespace corvane
