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

// The side's advantage: d = s - 32768 for Black, 32768 - s for White, read
// afresh from the current score at every step that uses it.
template <const SideOrders& S>
int Advantage(Word s) { return Margin<S>(s, ScoreLevel); }

// Keeps one eighth of the side's advantage.
template <const SideOrders& S>
void KeepOneEighth(Word& s) {
    const int d = Advantage<S>(s);
    Favour<S>(s, -(d - d / 8));
}

// Bishop (and knight) of side S against the enemy king: C is 0 in the two
// corners of the bishop's colour and 49 in the other two.
template <const SideOrders& S>
void MinorPair(const Engine& e, Word& s) {
    if (e.PieceCount[S.Bishop] == 1) {
        Favour<S>(s, -2 * e.KingCentreTable[SideCell<S>(e.Board[S.OwnKingCell])]);
        const int enemyKing = e.Board[S.EnemyKingCell];
        const int r = Row(enemyKing);
        const int f = File(enemyKing);
        const int corner = CellColour(FirstCell(e.PieceSquares[S.Bishop])) == 1 ? (10 - r) * f + (r - 3) * (7 - f)
                                                                                : (10 - r) * (7 - f) + (r - 3) * f;
        Favour<S>(s, -2 * corner);
    }
    if ((e.PieceCount[S.Bishop] == 0 || e.*EnemyOf<S>.Signature == 1) && Better<S>(s, ScoreLevel)) {
        const int d = Advantage<S>(s);
        Favour<S>(s, -(d / 2 + d / 4));
    }
}

// Bishop and rook pawns whose promotion cell is not of the bishop's colour,
// with the defending king in the square.
template <const SideOrders& S>
void WrongBishop(const Engine& e, Word& s) {
    const std::uint64_t own = e.PieceSquares[S.Pawn];
    const int colour = CellColour(FirstCell(e.PieceSquares[S.Bishop]));
    // The promotion cells of files 0 and 7 (for Black WhiteCornerA1 has
    // colour 0 and WhiteCornerH1 colour 1, for White BlackCornerA8 colour 1
    // and BlackCornerH8 colour 0): a bishop not of the cell's colour is the
    // wrong one.
    constexpr int promotion0 = CellColour(RowStart<S>(7));
    constexpr int promotion7 = CellColour(RowStart<S>(7) + 7);
    int file = -1;
    if ((own & ~FileSquares(0)) == 0 && colour != promotion0) file = 0;
    else if ((own & ~FileSquares(7)) == 0 && colour != promotion7) file = 7;
    if (file < 0) return;
    // The side's most advanced pawn on that file (all its pawns stand there).
    if (KingInSquare<S>(e, MostAdvancedCell<S>(own))) KeepOneEighth<S>(s);
}

// King and pawns: rook pawns with the defending king in front of them, or a
// single pawn with the defending king one or two rows ahead of it.
// Rows count along the side's pawn direction: up for Black, down for White.
template <const SideOrders& S>
void PawnEnding(const Engine& e, Word& s) {
    constexpr int dir = S.Forward / RowCells;
    const std::uint64_t own = e.PieceSquares[S.Pawn];
    const int pawns = e.PieceCount[S.Pawn];
    const int defenderToMove = ToMove<EnemyOf<S>>(e.CurrentPly);
    const int attacker = e.Board[S.OwnKingCell];
    const int defender = e.Board[S.EnemyKingCell];
    const int ra = Row(attacker), fa = File(attacker), rd = Row(defender), fd = File(defender);
    // Is the defending king in the square of the side's most advanced pawn
    // of a file that holds one?
    auto inSquare = [&](int f) { return KingInSquare<S>(e, MostAdvancedCell<S>(own & FileSquares(f))); };

    if ((own & ~FileSquares(0)) == 0 || (own & ~FileSquares(7)) == 0) {
        bool rowTest = false;
        if ((own & FileSquares(0)) != 0 && inSquare(0) && fd - defenderToMove <= fa) rowTest = true;
        else if ((own & FileSquares(7)) != 0 && inSquare(7) && fd + defenderToMove >= fa) rowTest = true;
        if (rowTest && (rd - ra) * dir + defenderToMove >= 0) KeepOneEighth<S>(s);
    } else if (pawns == 1 && e.PieceCount[S.EnemyPawn] == 0) {
        // The one pawn, on files 1 to 6.
        const int rp = Row(FirstCell(own));
        const int ahead = (rd - rp) * dir;
        if (1 <= ahead && ahead <= 2 && (ra - rp) * dir <= 0) KeepOneEighth<S>(s);
    }
}

template <const SideOrders& S>
void Endgame(const Engine& e, Word& s) {
    constexpr const SideOrders& Them = EnemyOf<S>;
    const Word own = e.*S.Signature;
    const Word enemy = e.*Them.Signature;
    const bool pawns = e.PieceCount[S.Pawn] != 0;
    auto advantage = [&] { return Advantage<S>(s); };

    // Trade-down: the less the enemy has, the more the advantage counts.
    Favour<S>(s, advantage() / TradeDownDivisor(enemy, e.PieceCount[Them.Pawn]));

    // Mop-up: bring the kings together against an enemy without rooks or queen.
    if (enemy < 64 && advantage() > 200 && own > enemy) {
        const int kB = e.Board[BlackKingCell];
        const int kW = e.Board[WhiteKingCell];
        const int df = std::abs(File(kB) - File(kW));
        const int dr = std::abs(Row(kB) - Row(kW));
        Favour<S>(s, (49 - df * dr) / 2);
    }

    // Material classes by the side's signature.
    switch (own) {
        case 1025:  // queen and a minor piece against a queen
            if (!pawns && enemy == 1024) Favour<S>(s, -(advantage() / 2));
            break;
        case 33:  // rook and a minor piece against a rook
            if (!pawns && enemy == 32) {
                const int d = advantage();
                Favour<S>(s, -(d / 2 + d / 4));
            }
            break;
        case 32:  // a rook against a minor piece, or against a rook
            if (enemy == 1 && !pawns) {
                const int d = advantage();
                Favour<S>(s, -(d / 2 + d / 8));
            } else if (enemy == 32) {
                Favour<S>(s, -(advantage() / 8));
            }
            break;
        case 2:
            if (!pawns) MinorPair<S>(e, s);
            break;
        case 1:
            if (!pawns) s = ScoreLevel;  // a lone minor piece cannot win
            else if (e.PieceCount[S.Bishop] == 1) WrongBishop<S>(e, s);
            break;
        case 0:
            if (pawns) PawnEnding<S>(e, s);
            break;
        default:
            break;
    }
}

}  // namespace

void EndgameStage(const Engine& e, const EvalWork&, Word& s) {
    if (s >= ScoreLevel) Endgame<BlackOrders>(e, s);
    else Endgame<WhiteOrders>(e, s);
}

}  // namespace corvane
