// Tactical move selection: the forcing parts of the search walk a full list
// but try only captures, pawn moves to the last two rows and checking moves.
// Checks are found without making the move: the piece is lifted or set down
// on the cells for a moment, and the line from the enemy king through a cell
// is looked along on the piece lists, with the squares the move empties and
// fills changed in the occupancy.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Is the first piece from the king's square along the line through cell x a
// slider of side S that moves along that line (queen or rook on rows and
// files, queen or bishop on diagonals)? `occupied` is the occupancy as the
// cells stand for the look.
template <const SideOrders& S>
inline bool LineTest(const Engine& e, int kingSquare, int x, std::uint64_t occupied) {
    const int d = e.LineOf[kingSquare][SquareIndex(x)];
    if (d == 8) return false;
    const std::uint64_t pieces = e.Rays[d][kingSquare] & occupied;
    if (pieces == 0) return false;
    const Byte v = e.Board[SquareCell(d < 4 ? std::countr_zero(pieces) : 63 - std::countl_zero(pieces))];
    return v == S.Queen || v == ((d & 1) != 0 ? S.Bishop : S.Rook);
}

// The next tactical move of side S at CurrentPly.
template <const SideOrders& S>
void NextTactical(Engine& e) {
    const int p = e.CurrentPly;
    Byte* b = e.Board;
    const int K = b[S.EnemyKingCell];
    const int kingSquare = SquareIndex(K);
    // Does a queen, rook or bishop of the side see the enemy king through x,
    // with the cells of the set `moved` changed in the occupancy?
    auto line = [&](int x, std::uint64_t moved) { return LineTest<S>(e, kingSquare, x, e.Occupied ^ moved); };
    // Through f with the piece set down on t for the look.
    auto lifted = [&](int f, int t, Byte piece) {
        b[t] = piece;
        b[f] = Empty;
        const bool seen = line(f, e.CellBit[f] | e.CellBit[t]);
        b[f] = piece;
        b[t] = Empty;
        return seen;
    };
    int i = e.MoveCursor[p];
    for (;; ++i) {
        if (i > e.LastMove[p]) {
            if (e.BestIndex[p] == 255) e.NoMoves = 1;
            break;
        }
        const int f = e.MoveFrom[p][i];
        const int t = e.MoveTo[p][i];
        if (b[t] != Empty) break;  // a capture
        const Byte piece = b[f];
        if (piece == S.Pawn) {
            if (RelativeRow<S>(t) >= 6) break;  // a push to the last two rows
            if ((t - f) & 1) break;             // en passant
        }
        bool check = false;
        switch (piece) {
        case S.King:
            if (t == f + 2 || t == f - 2) {
                PlaceMove(e, static_cast<Byte>(i), static_cast<Byte>(p));
                check = AttackedBy<S>(e, static_cast<Byte>(K)) != 0;
                UnmakeMove(e, static_cast<Byte>(i), static_cast<Byte>(p));
            } else {
                check = lifted(f, t, piece);
            }
            break;
        case S.Queen:
        case S.Rook:
        case S.Bishop:
            b[t] = piece;
            b[f] = Empty;
            check = line(f, e.CellBit[f] | e.CellBit[t]) || line(t, e.CellBit[f] | e.CellBit[t]);
            b[f] = piece;
            b[t] = Empty;
            break;
        case S.Knight:
            if (KnightDistance(t > K ? t - K : K - t)) {
                check = true;
            } else {
                b[f] = Empty;
                check = line(f, e.CellBit[f]);
                b[f] = piece;
            }
            break;
        case S.Pawn:
            if (b[t + S.PawnCaptures[1]] == S.EnemyKing || b[t + S.PawnCaptures[0]] == S.EnemyKing) {
                check = true;
            } else {
                check = lifted(f, t, piece);
            }
            break;
        default:
            break;
        }
        if (check) break;
    }
    e.MoveCursor[p] = static_cast<Byte>(i);
}

}  // namespace

void NextTacticalBlack(Engine& e) { NextTactical<BlackOrders>(e); }
void NextTacticalWhite(Engine& e) { NextTactical<WhiteOrders>(e); }

}  // namespace corvane
