// Perft: legal-move tree counts. At the last ply a move is only placed on
// the board to test the king (no flags or keys), as the engine's legality
// tests do.
#include "engine/board/perft.h"

#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

constexpr Byte kBlackPromotions[4] = {BlackQueen, BlackRook, BlackBishop, BlackKnight};
constexpr Byte kWhitePromotions[4] = {WhiteQueen, WhiteRook, WhiteBishop, WhiteKnight};

inline bool IsPromotion(const Engine& e, bool black, Byte f, Byte t) {
    return black ? (e.Board[f] == BlackPawn && OnLastRow(t)) : (e.Board[f] == WhitePawn && OnFirstRow(t));
}

// True when the side that has just moved left its own king attacked.
inline bool MoverInCheck(const Engine& e, bool black) {
    return black ? AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) != 0
                 : AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) != 0;
}

// Sets InCheck of the next ply: the side to move there is the opponent.
inline void SetNextInCheck(Engine& e, bool black, Byte next) {
    e.InCheck[next] = black ? AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) : AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]);
}

}  // namespace

std::uint64_t Perft(Engine& e, Byte ply, int depth) {
    if (depth <= 0) return 1;
    const bool black = (ply & 1) != 0;
    if (black) GenerateBlack(e, ply);
    else GenerateWhite(e, ply);
    e.NoMoves = 0;
    if (e.LastMove[ply] == ListEmptyLast) return 0;

    const Byte queen = black ? BlackQueen : WhiteQueen;
    const Byte* promotions = black ? kBlackPromotions : kWhitePromotions;
    const Byte next = static_cast<Byte>(ply + 1);
    std::uint64_t count = 0;
    const int last = e.LastMove[ply];
    for (int s = 0; s <= last; ++s) {
        const Byte slot = static_cast<Byte>(s);
        const bool promotion = IsPromotion(e, black, e.MoveFrom[ply][s], e.MoveTo[ply][s]);
        if (depth == 1) {
            e.MoveExtra[ply][s] = queen;
            PlaceMove(e, slot, ply);
            const bool legal = !MoverInCheck(e, black);
            UnmakeMove(e, slot, ply);
            if (legal) count += promotion ? 4 : 1;
            continue;
        }
        const int pieces = promotion ? 4 : 1;
        for (int k = 0; k < pieces; ++k) {
            e.MoveExtra[ply][s] = promotion ? promotions[k] : queen;
            MakeMove(e, slot, ply);
            if (!MoverInCheck(e, black)) {
                SetNextInCheck(e, black, next);
                count += Perft(e, next, depth - 1);
            }
            UnmakeMove(e, slot, ply);
        }
    }
    return count;
}

Byte PerftRoot(Engine& e) {
    LoadBoard(e, e.GameBoard);
    const Byte ply = e.GameTurn == TurnEngine ? 1 : 2;
    e.PlyFlags[ply] = e.PlyFlags[0];
    e.HalfMoveClock[ply] = e.HalfMoveClock[0];
    e.InCheck[ply] = (ply & 1) ? AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) : AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]);
    ComputeKeys(e, ply);
    return ply;
}

int PerftDivide(Engine& e, int depth, PerftEntry* out) {
    const Byte ply = PerftRoot(e);
    const bool black = (ply & 1) != 0;
    if (black) GenerateBlack(e, ply);
    else GenerateWhite(e, ply);
    e.NoMoves = 0;
    if (e.LastMove[ply] == ListEmptyLast) return 0;

    const Byte* promotions = black ? kBlackPromotions : kWhitePromotions;
    const Byte next = static_cast<Byte>(ply + 1);
    int entries = 0;
    const int last = e.LastMove[ply];
    for (int s = 0; s <= last; ++s) {
        const Byte slot = static_cast<Byte>(s);
        const Byte f = e.MoveFrom[ply][s];
        const Byte t = e.MoveTo[ply][s];
        const bool promotion = IsPromotion(e, black, f, t);
        const int pieces = promotion ? 4 : 1;
        for (int k = 0; k < pieces; ++k) {
            e.MoveExtra[ply][s] = promotions[promotion ? k : 0];
            MakeMove(e, slot, ply);
            if (!MoverInCheck(e, black)) {
                SetNextInCheck(e, black, next);
                const std::uint64_t below = depth <= 1 ? 1 : Perft(e, next, depth - 1);
                out[entries++] = PerftEntry{f, t, static_cast<Byte>(promotion ? promotions[k] : 0), below};
            }
            UnmakeMove(e, slot, ply);
        }
    }
    return entries;
}

}  // namespace corvane
