// Endgame stage: trade-down, mop-up, the material classes, bishop and knight,
// the wrong bishop and pawn endings. Each case runs the stage from a chosen
// score on top of the board scan (which supplies signatures, lists and masks).
#include "engine/eval/eval_internal.h"
#include "test_support.h"

namespace corvane {
namespace {

struct Piece {
    int Cell;
    Byte Code;
};

// An engine with the two kings and the given pieces, at ply `ply`.
std::unique_ptr<Engine> Position(int blackKing, int whiteKing, std::initializer_list<Piece> pieces, int ply = 1) {
    auto e = test::MakeEngine();
    test::ClearBoard(*e);
    test::Place(*e, blackKing, BlackKing);
    test::Place(*e, whiteKing, WhiteKing);
    for (const Piece& p : pieces) test::Place(*e, p.Cell, p.Code);
    e->CurrentPly = static_cast<Byte>(ply);
    e->ParentPly = static_cast<Byte>(ply - 1);
    return e;
}

int Endgame(Engine& e, int start) {
    EvalWork w;
    ScanBoard(e, w);
    Word s = static_cast<Word>(start);
    EndgameStage(e, w, s);
    return s;
}

TEST(EvalEndgame, TradeDownDivisor) {
    EXPECT_EQ(TradeDownDivisor(0, 0), 5);
    EXPECT_EQ(TradeDownDivisor(0, 1), 6);
    EXPECT_EQ(TradeDownDivisor(1, 0), 7);
    EXPECT_EQ(TradeDownDivisor(2, 0), 9);
    EXPECT_EQ(TradeDownDivisor(32, 0), 9);
    EXPECT_EQ(TradeDownDivisor(33, 0), 11);
    EXPECT_EQ(TradeDownDivisor(64, 3), 16);
    EXPECT_EQ(TradeDownDivisor(1024, 0), 13);
    EXPECT_EQ(TradeDownDivisor(1025, 2), 17);
    EXPECT_EQ(TradeDownDivisor(1092, 8), 37);  // a full set of pieces and pawns

    // Black ahead by 300 against king and one pawn: 300 / 6 = 50. Black's
    // lone rook matches no class, and the kings on opposite corners earn no
    // mop-up ((49 - 7 x 7) / 2 = 0).
    auto e = Position(48, 167, {{55, BlackRook}, {146, WhitePawn}});
    EXPECT_EQ(Endgame(*e, 33068), 33118);
    // White ahead by 300 against king and one pawn.
    auto w = Position(48, 167, {{160, WhiteRook}, {66, BlackPawn}});
    EXPECT_EQ(Endgame(*w, 32468), 32418);
}

TEST(EvalEndgame, TieRunsTheBlackBranch) {
    // White bishop and knight without pawns: White's branch would move the
    // score, Black's (lone king) leaves a level score alone.
    auto e = Position(100, 52, {{150, WhiteBishop}, {149, WhiteKnight}});
    EXPECT_EQ(Endgame(*e, 32768), 32768);
    // One point below level, White's branch runs: 2 x 2 for White's king
    // (entry 163) and 2 x C with C = (10 - 6) x 4 + (6 - 3) x (7 - 4) = 25.
    EXPECT_EQ(Endgame(*e, 32767), 32767 + 4 + 50);
}

TEST(EvalEndgame, MopUpDrawsTheKingsTogether) {
    struct Case {
        int BlackKing, WhiteKing, Start, Result;
    };
    const Case black[] = {
        {52, 84, 33500, 33500 + 146 + 24},   // same file
        {48, 167, 33500, 33500 + 146},       // opposite corners
        {52, 118, 33500, 33500 + 146 + 20},  // 2 files, 4 rows apart
        {52, 84, 32900, 32900 + 26},         // not above 32968 after the trade-down
        {52, 84, 32935, 32968},              // 167 + 33: exactly 32968, no mop-up
        {52, 84, 32936, 32969 + 24},         // 168 + 33: one above
    };
    for (const Case& c : black) {
        auto e = Position(c.BlackKing, c.WhiteKing, {{55, BlackRook}});
        EXPECT_EQ(Endgame(*e, c.Start), c.Result) << c.BlackKing << " " << c.WhiteKing << " " << c.Start;
    }
    auto w = Position(132, 164, {{160, WhiteRook}});
    EXPECT_EQ(Endgame(*w, 32036), 32036 - 146 - 24);
    EXPECT_EQ(Endgame(*w, 32601), 32568);            // exactly 32568 after the trade-down
    EXPECT_EQ(Endgame(*w, 32600), 32567 - 24);       // one below
    // A Black rook against a White queen: no mop-up for Black.
    auto q = Position(52, 84, {{55, BlackRook}, {160, WhiteQueen}});
    EXPECT_EQ(Endgame(*q, 33500), 33500 + 732 / 13);
}

TEST(EvalEndgame, MaterialClasses) {
    struct Case {
        const char* Name;
        std::unique_ptr<Engine> E;
        int Start, Result;
    };
    Case cases[] = {
        // Queen and knight against queen: 33500 + 56, then d = 788 halves.
        {"QN-Q", Position(48, 167, {{100, BlackQueen}, {101, BlackKnight}, {150, WhiteQueen}}), 33500, 33556 - 394},
        // With a Black pawn the class does not apply.
        {"QN+P-Q", Position(48, 167, {{100, BlackQueen}, {101, BlackKnight}, {99, BlackPawn}, {150, WhiteQueen}}),
         33500, 33556},
        // Rook and knight against rook: 33300 + 59, then d = 591 keeps d - 295 - 147.
        {"RN-R", Position(48, 167, {{100, BlackRook}, {101, BlackKnight}, {150, WhiteRook}}), 33300, 32768 + 591 - 295 - 147},
        // Rook against knight: 33200 + 61, then d = 493 loses 246 + 61.
        {"R-N", Position(48, 167, {{100, BlackRook}, {150, WhiteKnight}}), 33200, 33261 - 307},
        // Rook against rook: 32840 + 8 = 32848, then loses 80 / 8.
        {"R-R", Position(48, 167, {{100, BlackRook}, {150, WhiteRook}}), 32840, 32838},
        // Two knights against a bare king: 33295 + 105 = 33400 - 316 - 158.
        {"NN-K", Position(48, 167, {{100, BlackKnight}, {101, BlackKnight}}), 33295, 32926},
        // Two bishops against a bare king: only the trade-down.
        {"BB-K", Position(48, 167, {{100, BlackBishop}, {101, BlackBishop}}), 33295, 33400},
        // A lone knight or bishop cannot win.
        {"N-K", Position(48, 167, {{100, BlackKnight}}), 33300, 32768},
        {"B-P", Position(48, 167, {{100, BlackBishop}, {150, WhitePawn}}), 33300, 32768},
        // Bishop and a centre pawn: only the trade-down.
        {"BP-K", Position(48, 167, {{100, BlackBishop}, {99, BlackPawn}}), 33300, 33406},
        // White's side of the same classes.
        {"K-N", Position(48, 167, {{100, WhiteKnight}}), 32000, 32768},
        {"R-R white", Position(48, 167, {{100, BlackRook}, {150, WhiteRook}}), 32696, 32698},
        {"K-NN", Position(48, 167, {{100, WhiteKnight}, {101, WhiteKnight}}), 32241, 32610},
        {"R-RN", Position(48, 167, {{100, BlackRook}, {150, WhiteRook}, {151, WhiteKnight}}), 32236,
         32768 - (591 - 295 - 147)},
    };
    for (Case& c : cases) EXPECT_EQ(Endgame(*c.E, c.Start), c.Result) << c.Name;
}

TEST(EvalEndgame, BishopAndKnightCorners) {
    // Black king on 100 (table value 16); 33400 + 126 after the trade-down,
    // then the mop-up, -32 for the king, -2 x C for the White king's corner.
    struct Case {
        int Bishop, Knight, WhiteKing, Mop, Corner;
    };
    const Case cases[] = {
        {84, 83, 48, 18, 0},    // bishop colour 1: corners 48 and 167 are right
        {84, 83, 167, 18, 0},
        {84, 83, 55, 20, 98},
        {84, 83, 160, 16, 98},
        {83, 84, 55, 20, 0},    // bishop colour 0: corners 55 and 160 are right
        {83, 84, 160, 16, 0},
        {83, 84, 48, 18, 98},
        {83, 84, 167, 18, 98},
    };
    for (const Case& c : cases) {
        auto e = Position(100, c.WhiteKing, {{c.Bishop, BlackBishop}, {c.Knight, BlackKnight}});
        EXPECT_EQ(Endgame(*e, 33400), 33526 + c.Mop - 32 - c.Corner) << c.Bishop << " " << c.WhiteKing;
    }
    // Against a lone knight the remaining advantage then loses d / 2 + d / 4:
    // 33400 + 632 / 7 = 33490, +18, -32 = 33476, d = 708.
    auto n = Position(100, 48, {{84, BlackBishop}, {83, BlackKnight}, {150, WhiteKnight}});
    EXPECT_EQ(Endgame(*n, 33400), 33476 - 354 - 177);

    // White bishop (131, colour 1) and knight, White king on 115 (reads
    // entry 100, value 16); 32136 - 126 = 32010, mop-up -18 or -20, +32,
    // +2 x C for the Black king's corner.
    auto w = Position(167, 115, {{131, WhiteBishop}, {132, WhiteKnight}});
    EXPECT_EQ(Endgame(*w, 32136), 32010 - 18 + 32);
    auto v = Position(160, 115, {{131, WhiteBishop}, {132, WhiteKnight}});
    EXPECT_EQ(Endgame(*v, 32136), 32010 - 20 + 32 + 98);
}

TEST(EvalEndgame, WrongBishop) {
    // Black pawn on 128 (file 0), Black king 100, 33300 + 106 after the
    // trade-down, +18 or +20 mop-up. With the bishop not on the colour of
    // cell 160 and the White king in the square, one eighth is kept.
    auto right = Position(100, 161, {{128, BlackPawn}, {83, BlackBishop}});
    EXPECT_EQ(Endgame(*right, 33300), 33424);
    auto wrong = Position(100, 161, {{128, BlackPawn}, {84, BlackBishop}});
    EXPECT_EQ(Endgame(*wrong, 33300), 32768 + 656 / 8);
    auto away = Position(100, 167, {{128, BlackPawn}, {84, BlackBishop}});
    EXPECT_EQ(Endgame(*away, 33300), 33424);
    // A second pawn on another file ends it.
    auto two = Position(100, 161, {{128, BlackPawn}, {99, BlackPawn}, {84, BlackBishop}});
    EXPECT_EQ(Endgame(*two, 33300), 33300 + 532 / 5 + 18);
    // File 7 wants a bishop of colour 0.
    auto h = Position(100, 166, {{135, BlackPawn}, {83, BlackBishop}});
    EXPECT_EQ(Endgame(*h, 33300), 32768 + 658 / 8);

    // White pawn on 80 (file 0) promotes on 48 (colour 1): a bishop of colour
    // 0 is wrong. 32236 - 106 = 32130, mop-up -18, d = 656.
    auto white = Position(49, 116, {{80, WhitePawn}, {132, WhiteBishop}});
    EXPECT_EQ(Endgame(*white, 32236), 32768 - 656 / 8);
    auto whiteRight = Position(49, 116, {{80, WhitePawn}, {131, WhiteBishop}});
    EXPECT_EQ(Endgame(*whiteRight, 32236), 32112);
}

TEST(EvalEndgame, PawnEndings) {
    // Lone Black pawn on 100 (row 6) against a bare king: 33300 + 106 after
    // the trade-down; no mop-up (Black's signature is not above White's).
    struct Case {
        int BlackKing, WhiteKing, Ply, Result;
    };
    const int kept = 32768 + 638 / 8;
    const Case lone[] = {
        {98, 116, 1, kept},   // White king one row ahead
        {98, 132, 1, kept},   // two rows ahead
        {98, 148, 1, 33406},  // three rows ahead
        {82, 116, 1, kept},   // Black king behind the pawn
        {114, 132, 1, 33406}, // Black king ahead of the pawn
    };
    for (const Case& c : lone) {
        auto e = Position(c.BlackKing, c.WhiteKing, {{100, BlackPawn}}, c.Ply);
        EXPECT_EQ(Endgame(*e, 33300), c.Result) << c.BlackKing << " " << c.WhiteKing;
    }
    // Rook pawn on 112: the White king in front of it; with the Black king on
    // file 0 and the White king on file 1 only White's tempo lets it reach.
    const Case rookPawn[] = {
        {98, 160, 1, kept}, {98, 160, 2, kept}, {96, 161, 1, 33406}, {96, 161, 2, kept}, {98, 103, 1, 33406},
    };
    for (const Case& c : rookPawn) {
        auto e = Position(c.BlackKing, c.WhiteKing, {{112, BlackPawn}}, c.Ply);
        EXPECT_EQ(Endgame(*e, 33300), c.Result) << c.BlackKing << " " << c.WhiteKing << " " << c.Ply;
    }
    // Pawns on files 0 and 1: neither rule.
    auto two = Position(98, 160, {{112, BlackPawn}, {113, BlackPawn}});
    EXPECT_EQ(Endgame(*two, 33300), 33406);

    // White: lone pawn on 115 (row 7), Black king on row 6 in front, White
    // king on row 7; 32236 - 106 = 32130, d = 638.
    auto w = Position(99, 118, {{115, WhitePawn}});
    EXPECT_EQ(Endgame(*w, 32236), 32768 - 638 / 8);
    auto far = Position(67, 118, {{115, WhitePawn}});
    EXPECT_EQ(Endgame(*far, 32236), 32130);
    // White rook pawn on 80 with the Black king on 48 in front of it.
    auto h = Position(48, 98, {{80, WhitePawn}});
    EXPECT_EQ(Endgame(*h, 32236), 32768 - 638 / 8);
    // White rook pawn on 87 (file 7), Black king on 54, White king on 119
    // (file 7): only Black's tempo brings the king's file far enough.
    auto hb = Position(54, 119, {{87, WhitePawn}}, 1);
    EXPECT_EQ(Endgame(*hb, 32236), 32768 - 638 / 8);
    auto hw = Position(54, 119, {{87, WhitePawn}}, 2);
    EXPECT_EQ(Endgame(*hw, 32236), 32130);
}

}  // namespace
}  // namespace corvane
