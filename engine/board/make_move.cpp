// Make and unmake. Making a move at ply p writes only the undo byte of ply p
// and the flags, clock and keys of ply p + 1, so taking a move back only has
// to restore the board.
#include "engine/board/board.h"

namespace corvane {

void MakeMove(Engine& e, Byte slot, Byte ply) {
    const int n = (ply + 1) & 255;
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
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
    }
    e.Board[t] = piece;
    e.Board[f] = Empty;

    switch (piece) {
    case BlackKing:
        if (flags & 48) {
            e.PlyFlags[n] = flags & 192;
            keyA -= flags & 48u;
            if (f + 2 == t) {
                e.Board[55] = Empty;
                e.Board[t - 1] = BlackRook;
                keyA += e.KeyTableA[BlackRook][t - 1] - e.KeyTableA[BlackRook][55];
                keyB += e.KeyTableB[BlackRook][t - 1] - e.KeyTableB[BlackRook][55];
            }
            if (f - 2 == t) {
                e.Board[48] = Empty;
                e.Board[t + 1] = BlackRook;
                keyA += e.KeyTableA[BlackRook][t + 1] - e.KeyTableA[BlackRook][48];
                keyB += e.KeyTableB[BlackRook][t + 1] - e.KeyTableB[BlackRook][48];
            }
            e.HalfMoveClock[n] = 0;
        }
        e.Board[BlackKingCell] = t;
        break;
    case BlackRook:
        if (f == 48 && (flags & CastleBlackA8)) {
            e.PlyFlags[n] &= static_cast<Byte>(~CastleBlackA8);
            keyA -= 16;
            e.HalfMoveClock[n] = 0;
        }
        if (f == 55 && (flags & CastleBlackH8)) {
            e.PlyFlags[n] &= static_cast<Byte>(~CastleBlackH8);
            keyA -= 32;
            e.HalfMoveClock[n] = 0;
        }
        break;
    case BlackPawn:
        if (t - f == 32 && (e.Board[t - 1] == WhitePawn || e.Board[t + 1] == WhitePawn)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] + (t & 15) + 1);
            keyA += (t & 15u) + 1;
        }
        if (t > 111) {
            if (t - f != 16 && e.Captured[ply] == Empty) {
                const int taken = 112 + (t & 15);
                e.Board[taken] = Empty;
                keyA -= e.KeyTableA[WhitePawn][taken];
                keyB -= e.KeyTableB[WhitePawn][taken];
            }
            if (t > 159) {
                const Byte q = e.MoveExtra[ply][slot];
                e.Board[t] = q;
                e.Captured[ply] = static_cast<Byte>(e.Captured[ply] + (BlackPawn - q) * 32);
                keyA += e.KeyTableA[q][t] - e.KeyTableA[BlackPawn][t];
                keyB += e.KeyTableB[q][t] - e.KeyTableB[BlackPawn][t];
            }
        }
        e.HalfMoveClock[n] = 0;
        break;
    case WhiteKing:
        if (flags & 192) {
            e.PlyFlags[n] = flags & 48;
            keyA -= flags & 192u;
            if (f + 2 == t) {
                e.Board[167] = Empty;
                e.Board[t - 1] = WhiteRook;
                keyA += e.KeyTableA[WhiteRook][t - 1] - e.KeyTableA[WhiteRook][167];
                keyB += e.KeyTableB[WhiteRook][t - 1] - e.KeyTableB[WhiteRook][167];
            }
            if (f - 2 == t) {
                e.Board[160] = Empty;
                e.Board[t + 1] = WhiteRook;
                keyA += e.KeyTableA[WhiteRook][t + 1] - e.KeyTableA[WhiteRook][160];
                keyB += e.KeyTableB[WhiteRook][t + 1] - e.KeyTableB[WhiteRook][160];
            }
            e.HalfMoveClock[n] = 0;
        }
        e.Board[WhiteKingCell] = t;
        break;
    case WhiteRook:
        if (f == 160 && (flags & CastleWhiteA1)) {
            e.PlyFlags[n] &= static_cast<Byte>(~CastleWhiteA1);
            keyA -= 64;
            e.HalfMoveClock[n] = 0;
        }
        if (f == 167 && (flags & CastleWhiteH1)) {
            e.PlyFlags[n] &= static_cast<Byte>(~CastleWhiteH1);
            keyA -= 128;
            e.HalfMoveClock[n] = 0;
        }
        break;
    case WhitePawn:
        if (f - t == 32 && (e.Board[t - 1] == BlackPawn || e.Board[t + 1] == BlackPawn)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] + (t & 15) + 1);
            keyA += (t & 15u) + 1;
        }
        if (t < 104) {
            if (f - t != 16 && e.Captured[ply] == Empty) {
                const int taken = 96 + (t & 15);
                e.Board[taken] = Empty;
                keyA -= e.KeyTableA[BlackPawn][taken];
                keyB -= e.KeyTableB[BlackPawn][taken];
            }
            if (t < 56) {
                const Byte q = e.MoveExtra[ply][slot];
                e.Board[t] = q;
                e.Captured[ply] = static_cast<Byte>(e.Captured[ply] + (WhitePawn - q) * 32);
                keyA += e.KeyTableA[q][t] - e.KeyTableA[WhitePawn][t];
                keyB += e.KeyTableB[q][t] - e.KeyTableB[WhitePawn][t];
            }
        }
        e.HalfMoveClock[n] = 0;
        break;
    case Empty:  // the null move (cell 0 to cell 0) passes the turn
        e.HalfMoveClock[n] = 0;
        break;
    default:
        break;
    }
    // A rook taken on its corner takes its side's castling right with it, so
    // the position reached has the same key however it is reached again.
    if (victim == WhiteRook) {
        if (t == 160 && (e.PlyFlags[n] & CastleWhiteA1)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] - CastleWhiteA1);
            keyA -= CastleWhiteA1;
        }
        if (t == 167 && (e.PlyFlags[n] & CastleWhiteH1)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] - CastleWhiteH1);
            keyA -= CastleWhiteH1;
        }
    } else if (victim == BlackRook) {
        if (t == 48 && (e.PlyFlags[n] & CastleBlackA8)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] - CastleBlackA8);
            keyA -= CastleBlackA8;
        }
        if (t == 55 && (e.PlyFlags[n] & CastleBlackH8)) {
            e.PlyFlags[n] = static_cast<Byte>(e.PlyFlags[n] - CastleBlackH8);
            keyA -= CastleBlackH8;
        }
    }
    e.KeyA[n] = keyA;
    e.KeyB[n] = keyB;
}

void PlaceMove(Engine& e, Byte slot, Byte ply) {
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
    const Byte piece = e.Board[f];
    e.Captured[ply] = e.Board[t];
    e.Board[t] = piece;
    e.Board[f] = Empty;
    switch (piece) {
    case BlackKing:
        e.Board[BlackKingCell] = t;
        if (f + 2 == t) {
            e.Board[55] = Empty;
            e.Board[t - 1] = BlackRook;
        }
        if (f - 2 == t) {
            e.Board[48] = Empty;
            e.Board[t + 1] = BlackRook;
        }
        break;
    case WhiteKing:
        e.Board[WhiteKingCell] = t;
        if (f + 2 == t) {
            e.Board[167] = Empty;
            e.Board[t - 1] = WhiteRook;
        }
        if (f - 2 == t) {
            e.Board[160] = Empty;
            e.Board[t + 1] = WhiteRook;
        }
        break;
    case BlackPawn:
        if (t > 111) {
            if (t - f != 16 && e.Captured[ply] == Empty) e.Board[112 + (t & 15)] = Empty;
            if (t > 159) {
                const Byte q = e.MoveExtra[ply][slot];
                e.Board[t] = q;
                e.Captured[ply] = static_cast<Byte>(e.Captured[ply] + (BlackPawn - q) * 32);
            }
        }
        break;
    case WhitePawn:
        if (t < 104) {
            if (f - t != 16 && e.Captured[ply] == Empty) e.Board[96 + (t & 15)] = Empty;
            if (t < 56) {
                const Byte q = e.MoveExtra[ply][slot];
                e.Board[t] = q;
                e.Captured[ply] = static_cast<Byte>(e.Captured[ply] + (WhitePawn - q) * 32);
            }
        }
        break;
    default:
        break;
    }
}

void UnmakeMove(Engine& e, Byte slot, Byte ply) {
    const Byte f = e.MoveFrom[ply][slot];
    const Byte t = e.MoveTo[ply][slot];
    const Byte u = e.Captured[ply];
    e.Board[f] = static_cast<Byte>(e.Board[t] + (u >> 5));
    e.Board[t] = u & 31;
    switch (e.Board[f]) {
    case BlackKing:
        e.Board[BlackKingCell] = f;
        if (f + 2 == t) {
            e.Board[55] = BlackRook;
            e.Board[t - 1] = Empty;
        }
        if (f - 2 == t) {
            e.Board[48] = BlackRook;
            e.Board[t + 1] = Empty;
        }
        break;
    case WhiteKing:
        e.Board[WhiteKingCell] = f;
        if (f + 2 == t) {
            e.Board[167] = WhiteRook;
            e.Board[t - 1] = Empty;
        }
        if (f - 2 == t) {
            e.Board[160] = WhiteRook;
            e.Board[t + 1] = Empty;
        }
        break;
    case BlackPawn:
        if (u == Empty && ((t - f) & 1)) e.Board[112 + (t & 15)] = WhitePawn;
        break;
    case WhitePawn:
        if (u == Empty && ((f - t) & 1)) e.Board[96 + (t & 15)] = BlackPawn;
        break;
    default:
        break;
    }
}

void ComputeKeys(Engine& e, Byte ply) {
    std::uint32_t keyA = 0;
    std::uint32_t keyB = 0;
    for (int row = 48; row <= 160; row += 16) {
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
