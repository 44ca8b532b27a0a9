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
void BlackMinorPair(const Engine& e, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kW = e.Board[WhiteKingCell];
    if (e.PieceCount[BlackBishop] == 1) {
        s -= 2 * e.KingCentreTable[kB];
        const int rW = Row(kW);
        const int fW = File(kW);
        const int corner = CellColour(FirstCell(e.PieceSquares[BlackBishop])) == 1 ? (10 - rW) * fW + (rW - 3) * (7 - fW)
                                                                        : (10 - rW) * (7 - fW) + (rW - 3) * fW;
        s -= 2 * corner;
    }
    if ((e.PieceCount[BlackBishop] == 0 || e.WhiteSignature == 1) && s > ScoreLevel) {
        const int d = BlackAdvantage(s);
        s -= d / 2 + d / 4;
    }
}

void WhiteMinorPair(const Engine& e, Word& s) {
    const int kB = e.Board[BlackKingCell];
    const int kWRotated = RotatedCell(e.Board[WhiteKingCell]);
    if (e.PieceCount[WhiteBishop] == 1) {
        s += 2 * e.KingCentreTable[kWRotated];
        const int rB = Row(kB);
        const int fB = File(kB);
        const int corner = CellColour(FirstCell(e.PieceSquares[WhiteBishop])) == 1 ? (10 - rB) * fB + (rB - 3) * (7 - fB)
                                                                        : (10 - rB) * (7 - fB) + (rB - 3) * fB;
        s += 2 * corner;
    }
    if ((e.PieceCount[WhiteBishop] == 0 || e.BlackSignature == 1) && s < ScoreLevel) {
        const int d = WhiteAdvantage(s);
        s += d / 2 + d / 4;
    }
}

// Bishop and rook pawns whose promotion cell is not of the bishop's colour,
// with the defending king in the square.
template <bool Black>
void WrongBishop(const Engine& e, Word& s) {
    const int side = Black ? EvalBlack : EvalWhite;
    const std::uint64_t own = SideSquares(e, side, BlackPawn);
    const int colour = CellColour(FirstCell(SideSquares(e, side, BlackBishop)));
    // Black promotes on row 10 (WhiteCornerA1 has colour 0, WhiteCornerH1
    // colour 1), White on row 3 (BlackCornerA8 has colour 1, BlackCornerH8
    // colour 0).
    const int wrongOnFile0 = Black ? 1 : 0;
    int file = -1;
    if ((own & ~FileSquares(0)) == 0 && colour == wrongOnFile0) file = 0;
    else if ((own & ~FileSquares(7)) == 0 && colour == 1 - wrongOnFile0) file = 7;
    if (file < 0) return;
    // The side's most advanced pawn on that file (all its pawns stand there).
    if (Black) {
        if (WhiteKingInSquare(e, LastCell(own))) BlackKeepsOneEighth(s);
    } else {
        if (BlackKingInSquare(e, FirstCell(own))) WhiteKeepsOneEighth(s);
    }
}

// King and pawns: rook pawns with the defending king in front of them, or a
// single pawn with the defending king one or two rows ahead of it.
// Rows count along the side's pawn direction: up for Black, down for White.
template <bool Black>
void PawnEnding(const Engine& e, Word& s) {
    const int dir = Black ? 1 : -1;
    const std::uint64_t own = e.PieceSquares[Black ? BlackPawn : WhitePawn];
    const int pawns = e.PieceCount[Black ? BlackPawn : WhitePawn];
    const int blackToMove = e.CurrentPly & 1;
    const int defenderToMove = Black ? 1 - blackToMove : blackToMove;
    const int attacker = e.Board[Black ? BlackKingCell : WhiteKingCell];
    const int defender = e.Board[Black ? WhiteKingCell : BlackKingCell];
    const int ra = Row(attacker), fa = File(attacker), rd = Row(defender), fd = File(defender);
    // The side's most advanced pawn of a file that holds one, and whether
    // the defending king is in its square.
    auto lead = [&](int f) {
        const std::uint64_t file = own & FileSquares(f);
        return Black ? LastCell(file) : FirstCell(file);
    };
    auto inSquare = [&](int f) { return Black ? WhiteKingInSquare(e, lead(f)) : BlackKingInSquare(e, lead(f)); };
    auto keepOneEighth = [&] { Black ? BlackKeepsOneEighth(s) : WhiteKeepsOneEighth(s); };

    if ((own & ~FileSquares(0)) == 0 || (own & ~FileSquares(7)) == 0) {
        bool rowTest = false;
        if ((own & FileSquares(0)) != 0 && inSquare(0) && fd - defenderToMove <= fa) rowTest = true;
        else if ((own & FileSquares(7)) != 0 && inSquare(7) && fd + defenderToMove >= fa) rowTest = true;
        if (rowTest && (rd - ra) * dir + defenderToMove >= 0) keepOneEighth();
    } else if (pawns == 1 && e.PieceCount[Black ? WhitePawn : BlackPawn] == 0) {
        // The one pawn, on files 1 to 6.
        const int rp = Row(FirstCell(own));
        const int ahead = (rd - rp) * dir;
        if (1 <= ahead && ahead <= 2 && (ra - rp) * dir <= 0) keepOneEighth();
    }
}

template <bool Black>
void Endgame(const Engine& e, Word& s) {
    const int ownSide = Black ? EvalBlack : EvalWhite;
    const int enemySide = Black ? EvalWhite : EvalBlack;
    const Word own = Black ? e.BlackSignature : e.WhiteSignature;
    const Word enemy = Black ? e.WhiteSignature : e.BlackSignature;
    const bool pawns = SideCount(e, ownSide, BlackPawn) != 0;
    auto advantage = [&] { return Black ? BlackAdvantage(s) : WhiteAdvantage(s); };

    // Trade-down: the less the enemy has, the more the advantage counts.
    Favour<Black>(s, advantage() / TradeDownDivisor(enemy, SideCount(e, enemySide, BlackPawn)));

    // Mop-up: bring the kings together against an enemy without rooks or queen.
    if (enemy < 64 && advantage() > 200 && own > enemy) {
        const int kB = e.Board[BlackKingCell];
        const int kW = e.Board[WhiteKingCell];
        const int df = std::abs(File(kB) - File(kW));
        const int dr = std::abs(Row(kB) - Row(kW));
        Favour<Black>(s, (49 - df * dr) / 2);
    }

    // Material classes by the side's signature.
    switch (own) {
        case 1025:  // queen and a minor piece against a queen
            if (!pawns && enemy == 1024) Favour<Black>(s, -(advantage() / 2));
            break;
        case 33:  // rook and a minor piece against a rook
            if (!pawns && enemy == 32) {
                const int d = advantage();
                Favour<Black>(s, -(d / 2 + d / 4));
            }
            break;
        case 32:  // a rook against a minor piece, or against a rook
            if (enemy == 1 && !pawns) {
                const int d = advantage();
                Favour<Black>(s, -(d / 2 + d / 8));
            } else if (enemy == 32) {
                Favour<Black>(s, -(advantage() / 8));
            }
            break;
        case 2:
            if (!pawns) Black ? BlackMinorPair(e, s) : WhiteMinorPair(e, s);
            break;
        case 1:
            if (!pawns) s = ScoreLevel;  // a lone minor piece cannot win
            else if (SideCount(e, ownSide, BlackBishop) == 1) WrongBishop<Black>(e, s);
            break;
        case 0:
            if (pawns) PawnEnding<Black>(e, s);
            break;
        default:
            break;
    }
}

}  // namespace

void EndgameStage(const Engine& e, const EvalWork&, Word& s) {
    if (s >= ScoreLevel) Endgame<true>(e, s);
    else Endgame<false>(e, s);
}

}  // namespace corvane
