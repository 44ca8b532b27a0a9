// Endgame stage, run on every call: a material advantage counts more as the
// opponent's material shrinks, the kings are driven together when the
// stronger side faces little material, bishop and knight mate toward the
// right corner, and known drawish material combinations are pulled toward
// level. Only the branch of the side that is ahead (Black on a tie) runs.
#include <cstdlib>

#include "engine/eval/eval_internal.h"

namespace corvane {

int TradeDownDivisor(Word signature, int pawns) {
    return 2 * (signature % 32) + (signature % 1024) / 8 + 8 * (signature / 1024) + pawns + 5;
}

namespace {

int Row(int cell) { return cell >> 4; }
int File(int cell) { return cell & 15; }

// Black's advantage d = s - 32768 and White's d = 32768 - s, read afresh
// from the current score at every step that uses them.
int BlackAdvantage(Word s) { return static_cast<int>(s) - ScoreLevel; }
int WhiteAdvantage(Word s) { return ScoreLevel - static_cast<int>(s); }

// Keeps one eighth of the advantage.
void BlackKeepsOneEighth(Word& s) {
    const int d = BlackAdvantage(s);
    s -= d - d / 8;
}
void WhiteKeepsOneEighth(Word& s) {
    const int d = WhiteAdvantage(s);
    s += d - d / 8;
}

// Bishop (and knight) of Black against the White king: C is 0 in the two
// corners of the bishop's colour and 49 in the other two.
void BlackMinorPair(const Engine& e, const EvalWork& w, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    if (w.BishopCount[EvalBlack] == 1) {
        s -= 2 * e.KingCentreTable[kB];
        const int rW = Row(kW);
        const int fW = File(kW);
        const int corner = CellColour(w.BishopCells[EvalBlack][0]) == 1 ? (10 - rW) * fW + (rW - 3) * (7 - fW)
                                                                        : (10 - rW) * (7 - fW) + (rW - 3) * fW;
        s -= 2 * corner;
    }
    if ((w.BishopCount[EvalBlack] == 0 || e.WhiteSignature == 1) && s > ScoreLevel) {
        const int d = BlackAdvantage(s);
        s -= d / 2 + d / 4;
    }
}

void WhiteMinorPair(const Engine& e, const EvalWork& w, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    if (w.BishopCount[EvalWhite] == 1) {
        s += 2 * e.KingCentreTable[215 - kW];
        const int rB = Row(kB);
        const int fB = File(kB);
        const int corner = CellColour(w.BishopCells[EvalWhite][0]) == 1 ? (10 - rB) * fB + (rB - 3) * (7 - fB)
                                                                        : (10 - rB) * (7 - fB) + (rB - 3) * fB;
        s += 2 * corner;
    }
    if ((w.BishopCount[EvalWhite] == 0 || e.BlackSignature == 1) && s < ScoreLevel) {
        const int d = WhiteAdvantage(s);
        s += d / 2 + d / 4;
    }
}

// Bishop and rook pawns whose promotion cell is not of the bishop's colour,
// with the defending king in the square.
void BlackWrongBishop(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* own = w.PawnFileMask[EvalBlack];
    const int pawns = w.PawnCount[EvalBlack];
    const int colour = CellColour(w.BishopCells[EvalBlack][0]);
    int file = -1;
    if (e.MaskCount[own[0]] == pawns && colour == 1) file = 0;       // promotes on 160, colour 0
    else if (e.MaskCount[own[7]] == pawns && colour == 0) file = 7;  // promotes on 167, colour 1
    if (file < 0) return;
    if (WhiteKingInSquare(e, 16 * (e.MaskTop[own[file]] + 2) + file)) BlackKeepsOneEighth(s);
}

void WhiteWrongBishop(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* own = w.PawnFileMask[EvalWhite];
    const int pawns = w.PawnCount[EvalWhite];
    const int colour = CellColour(w.BishopCells[EvalWhite][0]);
    int file = -1;
    if (e.MaskCount[own[0]] == pawns && colour == 0) file = 0;       // promotes on 48, colour 1
    else if (e.MaskCount[own[7]] == pawns && colour == 1) file = 7;  // promotes on 55, colour 0
    if (file < 0) return;
    if (BlackKingInSquare(e, 16 * (e.MaskBottom[own[file]] + 3) + file)) WhiteKeepsOneEighth(s);
}

// King and pawns: rook pawns with the defending king in front of them, or a
// single pawn with the defending king one or two rows ahead of it.
void BlackPawnEnding(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* own = w.PawnFileMask[EvalBlack];
    const int pawns = w.PawnCount[EvalBlack];
    const int whiteToMove = (e.CurrentPly & 1) == 0 ? 1 : 0;
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    const int rB = Row(kB), fB = File(kB), rW = Row(kW), fW = File(kW);

    if (e.MaskCount[own[0]] == pawns || e.MaskCount[own[7]] == pawns) {
        bool rowTest = false;
        if (own[0] != 0 && WhiteKingInSquare(e, 16 * (e.MaskTop[own[0]] + 2)) && fW - whiteToMove <= fB)
            rowTest = true;
        else if (own[7] != 0 && WhiteKingInSquare(e, 16 * (e.MaskTop[own[7]] + 2) + 7) && fW + whiteToMove >= fB)
            rowTest = true;
        if (rowTest && rW + whiteToMove >= rB) BlackKeepsOneEighth(s);
    } else if (pawns == 1 && w.PawnCount[EvalWhite] == 0) {
        for (int f = 1; f <= 6; ++f) {
            if (own[f] == 0) continue;
            const int rp = e.MaskTop[own[f]] + 2;
            if (rp + 1 <= rW && rW <= rp + 2 && rB <= rp) BlackKeepsOneEighth(s);
            break;
        }
    }
}

void WhitePawnEnding(const Engine& e, const EvalWork& w, Word& s) {
    const Byte* own = w.PawnFileMask[EvalWhite];
    const int pawns = w.PawnCount[EvalWhite];
    const int blackToMove = e.CurrentPly & 1;
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    const int rB = Row(kB), fB = File(kB), rW = Row(kW), fW = File(kW);

    if (e.MaskCount[own[0]] == pawns || e.MaskCount[own[7]] == pawns) {
        bool rowTest = false;
        if (own[0] != 0 && BlackKingInSquare(e, 16 * (e.MaskBottom[own[0]] + 3)) && fB - blackToMove <= fW)
            rowTest = true;
        else if (own[7] != 0 && BlackKingInSquare(e, 16 * (e.MaskBottom[own[7]] + 3) + 7) && fB + blackToMove >= fW)
            rowTest = true;
        if (rowTest && rB - blackToMove <= rW) WhiteKeepsOneEighth(s);
    } else if (pawns == 1 && w.PawnCount[EvalBlack] == 0) {
        for (int f = 1; f <= 6; ++f) {
            if (own[f] == 0) continue;
            const int rp = e.MaskBottom[own[f]] + 3;
            if (rp - 2 <= rB && rB <= rp - 1 && rW >= rp) WhiteKeepsOneEighth(s);
            break;
        }
    }
}

void BlackEndgame(const Engine& e, const EvalWork& w, Word& s) {
    const Word sb = e.BlackSignature;
    const Word sw = e.WhiteSignature;
    const bool blackPawns = w.PawnCount[EvalBlack] != 0;

    // Trade-down: the less White has, the more the advantage counts.
    s += BlackAdvantage(s) / TradeDownDivisor(sw, w.PawnCount[EvalWhite]);

    // Mop-up: bring the kings together against a White side without rooks or queen.
    if (sw < 64 && s > ScoreLevel + 200 && sb > sw) {
        const int kB = e.Board[BlackKingCell];
        const int kW = e.Board[WhiteKingCell];
        const int df = std::abs(File(kB) - File(kW));
        const int dr = std::abs(Row(kB) - Row(kW));
        s += (49 - df * dr) / 2;
    }

    // Material classes by Black's signature.
    switch (sb) {
        case 1025:  // queen and a minor piece against a queen
            if (!blackPawns && sw == 1024) s -= BlackAdvantage(s) / 2;
            break;
        case 33:  // rook and a minor piece against a rook
            if (!blackPawns && sw == 32) {
                const int d = BlackAdvantage(s);
                s -= d / 2 + d / 4;
            }
            break;
        case 32:  // a rook against a minor piece, or against a rook
            if (sw == 1 && !blackPawns) {
                const int d = BlackAdvantage(s);
                s -= d / 2 + d / 8;
            } else if (sw == 32) {
                s -= BlackAdvantage(s) / 8;
            }
            break;
        case 2:
            if (!blackPawns) BlackMinorPair(e, w, s);
            break;
        case 1:
            if (!blackPawns) s = ScoreLevel;  // a lone minor piece cannot win
            else if (w.BishopCount[EvalBlack] == 1) BlackWrongBishop(e, w, s);
            break;
        case 0:
            if (blackPawns) BlackPawnEnding(e, w, s);
            break;
        default:
            break;
    }
}

void WhiteEndgame(const Engine& e, const EvalWork& w, Word& s) {
    const Word sb = e.BlackSignature;
    const Word sw = e.WhiteSignature;
    const bool whitePawns = w.PawnCount[EvalWhite] != 0;

    // Trade-down: the less Black has, the more the advantage counts.
    s -= WhiteAdvantage(s) / TradeDownDivisor(sb, w.PawnCount[EvalBlack]);

    // Mop-up: bring the kings together against a Black side without rooks or queen.
    if (sb < 64 && s < ScoreLevel - 200 && sw > sb) {
        const int kB = e.Board[BlackKingCell];
        const int kW = e.Board[WhiteKingCell];
        const int df = std::abs(File(kB) - File(kW));
        const int dr = std::abs(Row(kB) - Row(kW));
        s -= (49 - df * dr) / 2;
    }

    // Material classes by White's signature.
    switch (sw) {
        case 1025:  // queen and a minor piece against a queen
            if (!whitePawns && sb == 1024) s += WhiteAdvantage(s) / 2;
            break;
        case 33:  // rook and a minor piece against a rook
            if (!whitePawns && sb == 32) {
                const int d = WhiteAdvantage(s);
                s += d / 2 + d / 4;
            }
            break;
        case 32:  // a rook against a minor piece, or against a rook
            if (sb == 1 && !whitePawns) {
                const int d = WhiteAdvantage(s);
                s += d / 2 + d / 8;
            } else if (sb == 32) {
                s += WhiteAdvantage(s) / 8;
            }
            break;
        case 2:
            if (!whitePawns) WhiteMinorPair(e, w, s);
            break;
        case 1:
            if (!whitePawns) s = ScoreLevel;  // a lone minor piece cannot win
            else if (w.BishopCount[EvalWhite] == 1) WhiteWrongBishop(e, w, s);
            break;
        case 0:
            if (whitePawns) WhitePawnEnding(e, w, s);
            break;
        default:
            break;
    }
}

}  // namespace

void EndgameStage(const Engine& e, const EvalWork& w, Word& s) {
    if (s >= ScoreLevel) BlackEndgame(e, w, s);
    else WhiteEndgame(e, w, s);
}

}  // namespace corvane
