// Make and unmake. Making a move at ply p writes only the undo byte of ply p
// and the flags, clock and keys of ply p + 1, so taking a move back only has
// to restore the board and the piece lists kept with it.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// A move's two cells: two squares, or cell 0 twice for the null move.
constexpr bool MoveCellsOnBoard(int f, int t) {
    return (IsSquareCell(f) && IsSquareCell(t)) || (f == 0 && t == 0);
}

// The ply after `ply` and the slot of a move: the move lists end at
// ply 255, whose next ply would wrap round to 0, and slot 255 never holds a
// move.
constexpr bool PlyAndSlotInRange(Byte ply, Byte slot) {
    return ply < Plies - 1 && slot < Slots - 1;
}

// The rook of a castling: from its corner to the cell the king passed over.
template <const SideOrders& S>
inline void CastlingRook(Byte* board, int f, int t, int& rookFrom, int& rookTo) {
    rookFrom = f + 2 == t ? S.CornerH : S.CornerA;
    rookTo = f + 2 == t ? t - 1 : t + 1;
    board[rookFrom] = Empty;
    board[rookTo] = S.Rook;
}

template <const SideOrders& S>
inline void CastlingRook(Engine& e, int f, int t, int& rookFrom, int& rookTo) {
    CastlingRook<S>(e.Board, f, t, rookFrom, rookTo);
    ListMove(e, S.Rook, rookFrom, rookTo);
}

// The king of side S moved from f to t: rights, castling rook, king cell.
template <const SideOrders& S>
inline void MakeKingMove(Engine& e, int n, Byte flags, int f, int t, std::uint32_t& keyA, std::uint32_t& keyB) {
    constexpr Byte own = S.RightA | S.RightH;
    if (flags & own) {
        e.PlyFlags[n] = flags & (EnemyOf<S>.RightA | EnemyOf<S>.RightH);
        keyA -= flags & own;
        if (f + 2 == t || f - 2 == t) {
            int rookFrom, rookTo;
            CastlingRook<S>(e, f, t, rookFrom, rookTo);
            keyA += e.KeyTableA[S.Rook][rookTo] - e.KeyTableA[S.Rook][rookFrom];
            keyB += e.KeyTableB[S.Rook][rookTo] - e.KeyTableB[S.Rook][rookFrom];
        }
        e.HalfMoveClock[n] = 0;
    }
    e.Board[S.OwnKingCell] = static_cast<Byte>(t);
}

// Side S loses the castling right of its corner `cell` in the flags of ply
// n, when it still has it. True when a right went.
template <const SideOrders& S>
inline bool DropCornerRight(Engine& e, int n, int cell, std::uint32_t& keyA) {
    const Byte right = cell == S.CornerA ? S.RightA : cell == S.CornerH ? S.RightH : 0;
    if (right == 0 || (e.PlyFlags[n] & right) == 0) return false;
    e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] - right);
    keyA -= right;
    return true;
}

// The board side of a pawn move of side S: the pawn taken en passant and the
// promoted piece, with the keys' changes for them when `keys` is given.
template <const SideOrders& S>
inline void PawnOnBoard(Engine& e, Byte slot, Byte ply, int f, int t, std::uint32_t* keyA, std::uint32_t* keyB) {
    if (RelativeRow<S>(t) < 4) return;
    if (t - f != S.Forward && e.Captured[ply] == Empty) {
        const int taken = S.VictimRow + (t & 15);
        e.Board[taken] = Empty;
        ListRemove(e, S.EnemyPawn, taken);
        if (keyA != nullptr) {
            *keyA -= e.KeyTableA[S.EnemyPawn][taken];
            *keyB -= e.KeyTableB[S.EnemyPawn][taken];
        }
    }
    if (RelativeRow<S>(t) == 7) {
        const Byte q = e.MoveExtra[ply][slot];
        CORVANE_ASSERT(q >= S.Queen && q <= S.Knight);
        e.Board[t] = q;
        ListRemove(e, S.Pawn, t);
        ListAdd(e, q, t);
        e.Captured[ply] = static_cast<Byte>(e.Captured[ply] + (S.Pawn - q) * 32);
        if (keyA != nullptr) {
            *keyA += e.KeyTableA[q][t] - e.KeyTableA[S.Pawn][t];
            *keyB += e.KeyTableB[q][t] - e.KeyTableB[S.Pawn][t];
        }
    }
}

// A pawn of side S moved from f to t: the en passant file after a double step
// beside an enemy pawn, then the board side.
template <const SideOrders& S>
inline void MakePawnMove(Engine& e, Byte slot, Byte ply, int n, int f, int t, std::uint32_t& keyA,
                         std::uint32_t& keyB) {
    if (t - f == 2 * S.Forward && (e.Board[t - 1] == S.EnemyPawn || e.Board[t + 1] == S.EnemyPawn)) {
        e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] + (t & 15) + 1);
        keyA += (t & 15u) + 1;
    }
    PawnOnBoard<S>(e, slot, ply, f, t, &keyA, &keyB);
    e.HalfMoveClock[n] = 0;
}

// Takes back a move of side S's king or pawn beyond restoring its two cells.
template <const SideOrders& S>
inline void UnmakeKingMove(Engine& e, int f, int t) {
    e.Board[S.OwnKingCell] = static_cast<Byte>(f);
    if (f + 2 == t) {
        e.Board[S.CornerH] = S.Rook;
        e.Board[t - 1] = Empty;
        ListMove(e, S.Rook, t - 1, S.CornerH);
    }
    if (f - 2 == t) {
        e.Board[S.CornerA] = S.Rook;
        e.Board[t + 1] = Empty;
        ListMove(e, S.Rook, t + 1, S.CornerA);
    }
}

template <const SideOrders& S>
inline void UnmakePawnMove(Engine& e, int f, int t, Byte captured) {
    if (captured == Empty && ((t - f) & 1)) {
        e.Board[S.VictimRow + (t & 15)] = S.EnemyPawn;
        ListAdd(e, S.EnemyPawn, S.VictimRow + (t & 15));
    }
}

}  // namespace

void MakeMove(Engine& e, Byte slot, Byte ply) {
    const int n = (ply + 1) & 255;
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
    CORVANE_ASSERT(PlyAndSlotInRange(ply, slot));
    CORVANE_ASSERT(MoveCellsOnBoard(f, t));
    const Byte piece = e.Board[f];
    const Byte flags = e.PlyFlags[ply];
    const std::uint32_t* ka = e.KeyTableA[piece > 16 ? 0 : piece];
    const std::uint32_t* kb = e.KeyTableB[piece > 16 ? 0 : piece];

    e.Captured[ply] = e.Board[t];
    e.PlyFlags[n] = flags & 240;
    e.HalfMoveClock[n] = static_cast<Byte>(e.HalfMoveClock[ply] + 1);
    std::uint32_t keyA = e.KeyA[ply] + 512u - 1024u * (ply & 1u) + ka[t] - ka[f] - (flags & 15u);
    std::uint32_t keyB = e.KeyB[ply] + kb[t] - kb[f];

    const Byte victim = e.Board[t];
    if (victim != Empty) {
        e.HalfMoveClock[n] = 0;
        keyA -= e.KeyTableA[victim][t];
        keyB -= e.KeyTableB[victim][t];
        ListRemove(e, victim, t);
    }
    e.Board[t] = piece;
    e.Board[f] = Empty;
    ListMove(e, piece, f, t);

    switch (piece) {
    case BlackKing: MakeKingMove<BlackOrders>(e, n, flags, f, t, keyA, keyB); break;
    case BlackRook: if (DropCornerRight<BlackOrders>(e, n, f, keyA)) e.HalfMoveClock[n] = 0; break;
    case BlackPawn: MakePawnMove<BlackOrders>(e, slot, ply, n, f, t, keyA, keyB); break;
    case WhiteKing: MakeKingMove<WhiteOrders>(e, n, flags, f, t, keyA, keyB); break;
    case WhiteRook: if (DropCornerRight<WhiteOrders>(e, n, f, keyA)) e.HalfMoveClock[n] = 0; break;
    case WhitePawn: MakePawnMove<WhiteOrders>(e, slot, ply, n, f, t, keyA, keyB); break;
    case Empty:  // the null move (cell 0 to cell 0) passes the turn
        e.HalfMoveClock[n] = 0;
        break;
    default:
        break;
    }
    // A rook taken on its corner takes its side's castling right with it, so
    // the position reached has the same key however it is reached again.
    if (victim == WhiteRook) DropCornerRight<WhiteOrders>(e, n, t, keyA);
    else if (victim == BlackRook) DropCornerRight<BlackOrders>(e, n, t, keyA);
    e.KeyA[n] = keyA;
    e.KeyB[n] = keyB;
}

void PlaceMove(Engine& e, Byte slot, Byte ply) {
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
    CORVANE_ASSERT(PlyAndSlotInRange(ply, slot));
    CORVANE_ASSERT(MoveCellsOnBoard(f, t));
    const Byte piece = e.Board[f];
    const Byte victim = e.Board[t];
    e.Captured[ply] = victim;
    if (victim != Empty) ListRemove(e, victim, t);
    e.Board[t] = piece;
    e.Board[f] = Empty;
    ListMove(e, piece, f, t);
    int rookFrom, rookTo;
    switch (piece) {
    case BlackKing:
        e.Board[BlackKingCell] = t;
        if (f + 2 == t || f - 2 == t) CastlingRook<BlackOrders>(e, f, t, rookFrom, rookTo);
        break;
    case WhiteKing:
        e.Board[WhiteKingCell] = t;
        if (f + 2 == t || f - 2 == t) CastlingRook<WhiteOrders>(e, f, t, rookFrom, rookTo);
        break;
    case BlackPawn:
        PawnOnBoard<BlackOrders>(e, slot, ply, f, t, nullptr, nullptr);
        break;
    case WhitePawn:
        PawnOnBoard<WhiteOrders>(e, slot, ply, f, t, nullptr, nullptr);
        break;
    default:
        break;
    }
}

void UnmakeMove(Engine& e, Byte slot, Byte ply) {
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
    const Byte u = e.Captured[ply];
    CORVANE_ASSERT(PlyAndSlotInRange(ply, slot));
    CORVANE_ASSERT(MoveCellsOnBoard(f, t));
    // The undo byte holds the piece taken and, above bit 5, how far the
    // promoted piece's code lies below the pawn's.
    const Byte moved = e.Board[t];
    const Byte piece = static_cast<Byte>(moved + (u >> 5));
    const Byte victim = u & 31;
    e.Board[f] = piece;
    e.Board[t] = victim;
    if (moved != piece) {
        ListRemove(e, moved, t);
        ListAdd(e, piece, f);
    } else {
        ListMove(e, piece, t, f);
    }
    if (victim != Empty) ListAdd(e, victim, t);
    switch (piece) {
    case BlackKing:
        UnmakeKingMove<BlackOrders>(e, f, t);
        break;
    case WhiteKing:
        UnmakeKingMove<WhiteOrders>(e, f, t);
        break;
    case BlackPawn:
        UnmakePawnMove<BlackOrders>(e, f, t, u);
        break;
    case WhitePawn:
        UnmakePawnMove<WhiteOrders>(e, f, t, u);
        break;
    default:
        break;
    }
    CORVANE_ASSERT(BoardConsistent(e));
}

void BuildPieceLists(Engine& e) {
    for (int v = 0; v <= 16; ++v) {
        e.PieceSquares[v] = 0;
        e.PieceCount[v] = 0;
    }
    e.Occupied = 0;
    e.ScanSum = 0;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int cell = row; cell < row + 8; ++cell) {
            const Byte v = e.Board[cell];
            if (v != Empty && v <= 16) ListAdd(e, v, cell);
        }
    }
}

bool BoardConsistent(const Engine& e) {
    const Byte* b = e.Board;
    if (b[0] != Empty) return false;
    for (int cell = 1; cell < BoardCells; ++cell)
        if (!IsSquareCell(cell) && cell != BlackKingCell && cell != WhiteKingCell && cell != ScratchCell &&
            b[cell] != OffBoard)
            return false;
    if (!IsSquareCell(b[BlackKingCell]) || b[b[BlackKingCell]] != BlackKing) return false;
    if (!IsSquareCell(b[WhiteKingCell]) || b[b[WhiteKingCell]] != WhiteKing) return false;
    std::uint64_t squares[17] = {};
    int counts[17] = {};
    Word sum = 0;
    for (int square = 0; square < 64; ++square) {
        const int cell = SquareCell(square);
        const Byte v = b[cell];
        if (v == Empty) continue;
        if (v > 16) return false;
        squares[v] |= e.CellBit[cell];
        ++counts[v];
        sum = static_cast<Word>(sum + e.ScanValue[v][cell]);
    }
    std::uint64_t occupied = 0;
    for (int v = 0; v <= 16; ++v) {
        if (e.PieceSquares[v] != squares[v] || e.PieceCount[v] != counts[v]) return false;
        occupied |= squares[v];
    }
    return e.Occupied == occupied && e.ScanSum == sum;
}

void LoadBoard(Engine& e, const Byte* cells) {
    std::memcpy(e.Board, cells, BoardCells);
    BuildPieceLists(e);
}

void ComputeKeys(Engine& e, Byte ply) {
    std::uint32_t keyA = 0;
    std::uint32_t keyB = 0;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int cell = row; cell < row + 8; ++cell) {
            const Byte v = e.Board[cell];
            if (v != Empty && v <= 16) {
                keyA += e.KeyTableA[v][cell];
                keyB += e.KeyTableB[v][cell];
            }
        }
    }
    keyA += e.PlyFlags[ply];
    if (ply & 1) keyA += 512;
    e.KeyA[ply] = keyA;
    e.KeyB[ply] = keyB;
}

}  // namespace corvane
