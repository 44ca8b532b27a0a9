// Piece terms of the positional stage: rooks (open files, the enemy king's
// rows, shut in by their own king, mobility), kings (centralisation by the
// opponent's material, king safety against a queen) and bishops (trapped
// patterns, blocked centre pawns, mobility, the pair, opposite colours).
// Knights and queens have no terms of their own here.
#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// Number of Empty cells passed from `cell` along `step` before the first
// piece or OffBoard cell; the guard cells end every walk.
int EmptyRun(const Byte* board, int cell, int step) {
    int n = 0;
    for (int x = cell + step; board[x] == Empty; x += step) ++n;
    return n;
}

// Vertical runs count twice, horizontal ones once.
int RookMobility(const Byte* board, int cell) {
    return 2 * (EmptyRun(board, cell, 16) + EmptyRun(board, cell, -16)) + EmptyRun(board, cell, 1) +
           EmptyRun(board, cell, -1);
}

// Set when a rook stands on the far side of its own king from the centre:
// beyond a king on files 4..7, or before a king on files 0..3.
bool ShutInByKing(int rookFile, int kingFile) {
    return (kingFile > 3 && rookFile > kingFile) || (kingFile <= 3 && rookFile < kingFile);
}

// Zone offsets around each king: the outer cells weigh 4, the eight
// neighbours 8. The outer group reaches two rows toward the enemy.
constexpr int kBlackOuterZone[9] = {-18, -14, -2, 2, 14, 18, 31, 32, 33};
constexpr int kWhiteOuterZone[9] = {-33, -32, -31, -18, -14, -2, 2, 14, 18};
constexpr int kInnerZone[8] = {-17, -16, -15, -1, 1, 15, 16, 17};

void BlackKingSafety(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* board = e.Board;
    const int kB = board[BlackKingCell];
    const int kf = kB & 15;

    int outer = 0;
    int inner = 0;
    for (int d : kBlackOuterZone) outer += e.BlackKingZoneWeight[board[kB + d]];
    for (int d : kInnerZone) inner += e.BlackKingZoneWeight[board[kB + d]];
    s -= 4 * outer + 8 * inner - 200;

    // Pawn shield on Black's relative ranks 2 and 3, wherever the king stands.
    for (int g = kf - 1; g <= kf + 1; ++g) {
        if (g < 0 || g > 7) continue;
        if (board[64 + g] != BlackPawn && board[80 + g] != BlackPawn) s -= 18;
    }

    if (w.RookCount[EvalBlack] > 0 && w.RookShutIn[EvalBlack]) s -= 25;

    const int queen = w.QueenCell[EvalWhite];
    const int queenFile = queen & 15;
    // The White queen against White's own king wing, and White's pawn cover there.
    if ((board[WhiteKingCell] & 15) > 3) {
        if (queenFile < 2) s += 2;
        if (w.PawnFileMask[EvalWhite][6] == 0) s += 10;
    } else {
        if (queenFile > 5) s += 2;
        if (w.PawnFileMask[EvalWhite][1] == 0) s += 10;
    }
    // The White queen far from the Black king's wing.
    if (kf > 3) {
        if (queenFile < 2) s += 4;
    } else {
        if (queenFile > 5) s += 4;
    }
    if (kB - 24 < queen && queen < kB + 24) s -= 15;
}

void WhiteKingSafety(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* board = e.Board;
    const int kW = board[WhiteKingCell];
    const int kf = kW & 15;

    int outer = 0;
    int inner = 0;
    for (int d : kWhiteOuterZone) outer += e.WhiteKingZoneWeight[board[kW + d]];
    for (int d : kInnerZone) inner += e.WhiteKingZoneWeight[board[kW + d]];
    s += 4 * outer + 8 * inner - 200;

    // Pawn shield on White's relative ranks 2 and 3, wherever the king stands.
    for (int g = kf - 1; g <= kf + 1; ++g) {
        if (g < 0 || g > 7) continue;
        if (board[144 + g] != WhitePawn && board[128 + g] != WhitePawn) s += 18;
    }

    if (w.RookCount[EvalWhite] > 0 && w.RookShutIn[EvalWhite]) s += 25;

    const int queen = w.QueenCell[EvalBlack];
    const int queenFile = queen & 15;
    // The Black queen against Black's own king wing, and Black's pawn cover there.
    if ((board[BlackKingCell] & 15) > 3) {
        if (queenFile < 2) s -= 2;
        if (w.PawnFileMask[EvalBlack][6] == 0) s -= 10;
    } else {
        if (queenFile > 5) s -= 2;
        if (w.PawnFileMask[EvalBlack][1] == 0) s -= 10;
    }
    // The Black queen far from the White king's wing.
    if (kf > 3) {
        if (queenFile < 2) s -= 4;
    } else {
        if (queenFile > 5) s -= 4;
    }
    if (kW - 24 < queen && queen < kW + 24) s += 15;
}

// Moves s toward 32768 by d / 8 + d / 16 of its distance d.
void ScaleTowardLevel(Word& s) {
    if (s > ScoreLevel) {
        const int d = s - ScoreLevel;
        s -= d / 8 + d / 16;
    } else if (s < ScoreLevel) {
        const int d = ScoreLevel - s;
        s += d / 8 + d / 16;
    }
}

}  // namespace

// Diagonal runs: (15 k + 23) / 4 along +15 and -15, (17 k + 16) / 4 along
// +17 and -17, for k empty cells passed.
int BishopMobility(const Engine& e, int cell) {
    const Byte* board = e.Board;
    return (15 * EmptyRun(board, cell, 15) + 23) / 4 + (15 * EmptyRun(board, cell, -15) + 23) / 4 +
           (17 * EmptyRun(board, cell, 17) + 16) / 4 + (17 * EmptyRun(board, cell, -17) + 16) / 4;
}

void BlackRookTerms(const Engine& e, EvalWork& w, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    for (int i = 0; i < w.RookCount[EvalBlack]; ++i) {
        const int c = w.RookCells[EvalBlack][i];
        const int f = c & 15;
        if (w.PawnFileMask[EvalWhite][f] == 0) s += 8;
        const Byte own = w.PawnFileMask[EvalBlack][f];
        if (own == 0) s += 16;
        else if (e.MaskBottom[own] > 2) s += 5;  // every Black pawn of the file on relative rank 4 or beyond
        if (kW - 24 < c && c < kW + 24) s += 17;  // on the White king's row or a neighbouring one
        if (ShutInByKing(f, kB & 15)) w.RookShutIn[EvalBlack] = 1;
        s += RookMobility(e.Board, c);
    }
}

void WhiteRookTerms(const Engine& e, EvalWork& w, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    for (int i = 0; i < w.RookCount[EvalWhite]; ++i) {
        const int c = w.RookCells[EvalWhite][i];
        const int f = c & 15;
        if (w.PawnFileMask[EvalBlack][f] == 0) s -= 8;
        const Byte own = w.PawnFileMask[EvalWhite][f];
        if (own == 0) s -= 16;
        else if (e.MaskTop[own] < 6) s -= 5;  // every White pawn of the file on relative rank 4 or beyond
        if (kB - 24 < c && c < kB + 24) s -= 17;  // on the Black king's row or a neighbouring one
        // The same file comparison as for Black, not mirrored.
        if (ShutInByKing(f, kW & 15)) w.RookShutIn[EvalWhite] = 1;
        s -= RookMobility(e.Board, c);
    }
}

// Centralisation counts 2, 1, -1, -1, -3 and -9 times the table value for a
// White signature below 64, 64..65, 66..1023, 1024, 1025 and above 1025.
void BlackKingTerms(const Engine& e, const EvalWork& w, Word& s) {
    const Word sw = e.WhiteSignature;
    const int k = e.KingCentreTable[e.Board[BlackKingCell]];
    if (sw > 65) {
        s -= k;
        if (sw >= 1024) {
            if (sw > 1025) s -= 8 * k;
            else if (sw == 1025) s -= 2 * k;
            BlackKingSafety(e, w, s);
        }
    } else if (sw >= 64) {
        s += k;
    } else {
        s += 2 * k;
    }
}

void WhiteKingTerms(const Engine& e, const EvalWork& w, Word& s) {
    const Word sb = e.BlackSignature;
    const int k = e.KingCentreTable[215 - e.Board[WhiteKingCell]];
    if (sb > 65) {
        s += k;
        if (sb >= 1024) {
            if (sb > 1025) s += 8 * k;
            else if (sb == 1025) s += 2 * k;
            WhiteKingSafety(e, w, s);
        }
    } else if (sb >= 64) {
        s -= k;
    } else {
        s -= 2 * k;
    }
}

void BlackBishopTerms(const Engine& e, const EvalWork& w, Word& s) {
    const int count = w.BishopCount[EvalBlack];
    if (count == 0) return;
    const Byte* b = e.Board;

    // Bishops caught behind a White pawn chain near White's side.
    if ((b[151] == BlackBishop || b[166] == BlackBishop) &&
        (b[134] == WhitePawn || (b[150] == WhitePawn && b[134] == Empty)))
        s -= 115;
    if ((b[144] == BlackBishop || b[161] == BlackBishop) &&
        (b[129] == WhitePawn || (b[145] == WhitePawn && b[129] == Empty)))
        s -= 115;
    if (b[135] == BlackBishop && (b[118] == WhitePawn || (b[134] == WhitePawn && b[118] == Empty))) s -= 115;
    if (b[128] == BlackBishop && (b[113] == WhitePawn || (b[129] == WhitePawn && b[113] == Empty))) s -= 115;

    // A bishop standing in front of its own unmoved centre pawn.
    if (b[83] == BlackBishop && b[67] == BlackPawn) s -= 25;
    if (b[84] == BlackBishop && b[68] == BlackPawn) s -= 25;

    for (int i = 0; i < count; ++i) {
        s += BishopMobility(e, w.BishopCells[EvalBlack][i]);
        s -= 16;
    }
    if (count == 2) s += 32;
}

void WhiteBishopTerms(const Engine& e, const EvalWork& w, Word& s) {
    const int count = w.BishopCount[EvalWhite];
    if (count == 0) return;
    const Byte* b = e.Board;

    // Bishops caught behind a Black pawn chain near Black's side.
    if ((b[64] == WhiteBishop || b[49] == WhiteBishop) &&
        (b[81] == BlackPawn || (b[65] == BlackPawn && b[81] == Empty)))
        s += 115;
    if ((b[71] == WhiteBishop || b[54] == WhiteBishop) &&
        (b[86] == BlackPawn || (b[70] == BlackPawn && b[86] == Empty)))
        s += 115;
    if (b[80] == WhiteBishop && (b[97] == BlackPawn || (b[81] == BlackPawn && b[97] == Empty))) s += 115;
    if (b[87] == WhiteBishop && (b[102] == BlackPawn || (b[86] == BlackPawn && b[102] == Empty))) s += 115;

    // A bishop standing in front of its own unmoved centre pawn.
    if (b[131] == WhiteBishop && b[147] == WhitePawn) s += 25;
    if (b[132] == WhiteBishop && b[148] == WhitePawn) s += 25;

    for (int i = 0; i < count; ++i) {
        s -= BishopMobility(e, w.BishopCells[EvalWhite][i]);
        s += 16;
    }

    // One bishop each, on squares of different colours: the score reached so
    // far moves toward level.
    if (count == 1 && w.BishopCount[EvalBlack] == 1 &&
        CellColour(w.BishopCells[EvalWhite][0]) != CellColour(w.BishopCells[EvalBlack][0]))
        ScaleTowardLevel(s);

    if (count == 2) s -= 32;
}

}  // namespace corvane
