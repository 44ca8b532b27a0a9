// The game position: a new game, game moves checked for legality and
// recorded, the key history for repetitions, the end-of-game test, and the
// tentative predicted reply played while the engine ponders. What a new game
// and the engine's own move do to the shared hash table is added by NewGame
// and PlayBlackMove in engine/copy.cpp.
#include "engine/board/board.h"
#include "engine/board/sides.h"

namespace corvane {

namespace {

// Records a game move in the game move list; a full list keeps its entries
// and stops counting, so it is never written past its end.
void RecordGameMove(Engine& e, Byte from, Byte to, int promotionBits) {
    if (e.GameMoveCount >= GameMoveCapacity) return;
    // Squares are counted from FirstRowCell as the position stands unflipped.
    int f = from - FirstRowCell;
    int t = to - FirstRowCell;
    if (e.Flipped) {
        f = RotatedCell(from) - FirstRowCell;
        t = RotatedCell(to) - FirstRowCell;
    }
    e.GameMoves[e.GameMoveCount] = static_cast<Word>((f << 9) + (t << 2) + promotionBits);
    ++e.GameMoveCount;
}

// Pushes the keys of the position just reached onto the key history. The
// history is shifted only as far as the reversible plies reach, and never
// beyond its last entry.
void PushGameKeys(Engine& e, std::uint32_t keyA, std::uint32_t keyB) {
    int i = e.HalfMoveClock[0];
    if (i > GameKeyCapacity - 1) i = GameKeyCapacity - 1;
    for (; i >= 1; --i) {
        e.GameKeyA[i] = e.GameKeyA[i - 1];
        e.GameKeyB[i] = e.GameKeyB[i - 1];
    }
    e.GameKeyA[0] = keyA;
    e.GameKeyB[0] = keyB;
}

// Finds the slot of ply p holding (from, to); -1 when there is none.
int FindMove(const Engine& e, Byte ply, Byte from, Byte to) {
    if (e.LastMove[ply] == ListEmptyLast) return -1;
    for (int s = 0; s <= e.LastMove[ply]; ++s)
        if (e.MoveFrom[ply][s] == from && e.MoveTo[ply][s] == to) return s;
    return -1;
}

void CopyBoard(Byte* to, const Byte* from) {
    for (int x = 0; x < BoardCells; ++x) to[x] = from[x];
}

// The legal moves of side S in the game position, counted at a spare ply;
// `check` gets the attack count on its king.
template <const SideOrders& S>
int CountLegalMoves(Engine& e, Byte ply, Byte& check) {
    e.PlyFlags[ply] = e.PlyFlags[0];
    check = e.InCheck[ply] = AttackedBy<EnemyOf<S>>(e, e.Board[S.OwnKingCell]);
    S.IsBlack ? GenerateBlack(e, ply) : GenerateWhite(e, ply);
    int legal = 0;
    if (e.LastMove[ply] != ListEmptyLast) {
        for (int s = 0; s <= e.LastMove[ply]; ++s) {
            e.MoveExtra[ply][s] = S.Queen;
            PlaceMove(e, static_cast<Byte>(s), ply);
            if (AttackedBy<EnemyOf<S>>(e, e.Board[S.OwnKingCell]) == 0) ++legal;
            UnmakeMove(e, static_cast<Byte>(s), ply);
        }
    }
    return legal;
}

}  // namespace

void NewGamePosition(Engine& e) {
    e.GameBoard[0] = Empty;
    for (int x = 1; x < BoardCells; ++x) e.GameBoard[x] = OffBoard;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells)
        for (int x = row; x < row + 8; ++x) e.GameBoard[x] = Empty;

    for (int p = 0; p < Plies; ++p) {
        e.PlyFlags[p] = 240;
        e.InCheck[p] = 0;
        e.Captured[p] = Empty;
        for (int s = 0; s < Slots; ++s) {
            e.MoveFrom[p][s] = 0;
            e.MoveTo[p][s] = 0;
            e.MoveExtra[p][s] = 0;
        }
        e.MoveCursor[p] = CursorNone;
        e.LastMove[p] = ListEmptyLast;
        e.BestIndex[p] = 0;
        e.ListState[p] = ListIdle;
        e.KeyA[p] = 0;
        e.KeyB[p] = 0;
        e.PlyValue[p] = ScoreLevel;
        e.PlyBound[p] = ScoreLevel;
        e.HalfMoveClock[p] = 0;
        e.QuietIndex[p] = 255;
        for (int k = 0; k < 4; ++k) {
            e.KillerFrom[k][p] = 0;
            e.KillerTo[k][p] = 0;
        }
        e.PlyDepth[p] = 16;
    }

    e.HashFrom = 0;
    e.HashTo = 0;
    e.HashPromo = 0;
    e.HashBound = BoundNone;
    for (std::uint32_t& entry : e.PrincipalVariation) entry = 0;
    e.NewVariation = 0;
    e.BestScore = ScoreLevel;

    e.Flipped = 0;
    e.GameTurn = TurnOpponent;

    static constexpr Byte kBackRow[8] = {3, 5, 4, 2, 1, 4, 5, 3};
    for (int f = 0; f < 8; ++f) {
        e.GameBoard[FirstRowCell + f] = kBackRow[f];
        e.GameBoard[FirstRowCell + RowCells + f] = BlackPawn;
        e.GameBoard[LastRowCell - RowCells + f] = WhitePawn;
        e.GameBoard[LastRowCell + f] = static_cast<Byte>(kBackRow[f] + 10);
    }
    e.GameBoard[BlackKingCell] = 52;
    e.GameBoard[WhiteKingCell] = 164;
    LoadBoard(e, e.GameBoard);

    for (int i = 0; i < GameKeyCapacity; ++i) {
        e.GameKeyA[i] = 0;
        e.GameKeyB[i] = 0;
    }
    ComputeKeys(e, 0);
    e.GameKeyA[0] = e.KeyA[0];
    e.GameKeyB[0] = e.KeyB[0];

    for (Word& entry : e.GameMoves) entry = 0;
    e.GameMoveCount = 0;
    e.NodeCount.store(0, std::memory_order_relaxed);
}

namespace {

// Sets ply 1 up from the game position and makes the Black move (f, t) with
// promotion q there when it is legal. Returns its slot, or -1 (the board is
// then the game position again).
int MakeLegalBlackMove(Engine& e, Byte f, Byte t, Byte q) {
    LoadBoard(e, e.GameBoard);
    e.PlyFlags[1] = e.PlyFlags[0];
    e.HalfMoveClock[1] = e.HalfMoveClock[0];
    e.InCheck[1] = AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]);
    ComputeKeys(e, 1);
    GenerateBlack(e, 1);

    const int slot = FindMove(e, 1, f, t);
    if (slot < 0) return -1;
    e.MoveExtra[1][slot] = q;
    MakeMove(e, static_cast<Byte>(slot), 1);
    if (AttackedBy<WhiteOrders>(e, e.Board[BlackKingCell]) != 0) {
        UnmakeMove(e, static_cast<Byte>(slot), 1);
        return -1;
    }
    return slot;
}

}  // namespace

Byte PlayBlackGameMove(Engine& e, Byte f, Byte t, Byte q) {
    if (q < 2 || q > 5) q = BlackQueen;
    if (MakeLegalBlackMove(e, f, t, q) < 0) return GameRefused;

    e.PlyFlags[0] = e.PlyFlags[2];
    e.HalfMoveClock[0] = e.HalfMoveClock[2];
    CopyBoard(e.GameBoard, e.Board);
    RecordGameMove(e, f, t, q - 2);
    e.NodeCount.store(0, std::memory_order_relaxed);
    PushGameKeys(e, e.KeyA[2], e.KeyB[2]);
    return GameEndTest(e);
}

void CopyGamePosition(Engine& to, const Engine& from) {
    CopyBoard(to.GameBoard, from.GameBoard);
    to.PlyFlags[0] = from.PlyFlags[0];
    to.HalfMoveClock[0] = from.HalfMoveClock[0];
    for (int i = 0; i < GameKeyCapacity; ++i) {
        to.GameKeyA[i] = from.GameKeyA[i];
        to.GameKeyB[i] = from.GameKeyB[i];
    }
    to.GameTurn = from.GameTurn;
    to.Flipped = from.Flipped;
    to.GameMoveCount = from.GameMoveCount;
}

Byte TestBlackMove(Engine& e, Byte f, Byte t, Byte q) {
    if (q < 2 || q > 5) q = BlackQueen;
    const int slot = MakeLegalBlackMove(e, f, t, q);
    if (slot >= 0) UnmakeMove(e, static_cast<Byte>(slot), 1);
    return slot >= 0 ? 1 : 0;
}

Byte PlayWhiteMove(Engine& e, Byte f, Byte t, Byte q) {
    if (q < 12 || q > 15) q = WhiteQueen;
    LoadBoard(e, e.GameBoard);
    e.InCheck[0] = AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]);
    ComputeKeys(e, 0);
    GenerateWhite(e, 0);

    const int slot = FindMove(e, 0, f, t);
    if (slot < 0) return GameRefused;
    e.MoveExtra[0][slot] = q;
    MakeMove(e, static_cast<Byte>(slot), 0);
    if (AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) != 0) {
        UnmakeMove(e, static_cast<Byte>(slot), 0);
        return GameRefused;
    }

    e.PlyFlags[0] = e.PlyFlags[1];
    e.HalfMoveClock[0] = e.HalfMoveClock[1];
    CopyBoard(e.GameBoard, e.Board);
    RecordGameMove(e, f, t, q - 12);
    PushGameKeys(e, e.KeyA[1], e.KeyB[1]);
    return GameEndTest(e);
}

Byte GameEndTest(Engine& e) {
    Byte status = GameGoesOn;

    int black = 0, white = 0, blackPawns = 0, whitePawns = 0;
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int x = row; x < row + 8; ++x) {
            switch (e.GameBoard[x]) {
            case BlackQueen: case BlackRook: black += 5; break;
            case BlackBishop: case BlackKnight: black += 3; break;
            case BlackPawn: ++black; ++blackPawns; break;
            case WhiteQueen: case WhiteRook: white += 5; break;
            case WhiteBishop: case WhiteKnight: white += 3; break;
            case WhitePawn: ++white; ++whitePawns; break;
            default: break;
            }
        }
    }
    if (blackPawns == 0 && whitePawns == 0 && ((black < 5 && white == 0) || (white < 5 && black == 0)))
        status = GameNoMaterial;

    const int clock = e.HalfMoveClock[0];
    if (clock >= 100) {
        status = GameFiftyMoves;
    } else if (clock > 7) {
        int count = 0;
        for (int i = 2; i <= clock / 2; ++i)
            if (e.GameKeyA[2 * i] == e.GameKeyA[0] && e.GameKeyB[2 * i] == e.GameKeyB[0]) ++count;
        if (count > 1) status = GameRepetition;
    }

    // Does the side to move have a legal reply? White moves at ply 254, Black
    // at ply 253. The board may have been written whole by the caller.
    BuildPieceLists(e);
    Byte check;
    const int legal = e.GameTurn == TurnEngine ? CountLegalMoves<WhiteOrders>(e, 254, check)
                                               : CountLegalMoves<BlackOrders>(e, 253, check);
    if (legal == 0) {
        if (check != 0) {
            status = GameWhiteMates;
            if (((e.GameTurn + e.Flipped) & 1) == 0) status = GameBlackMates;
        } else {
            status = GameStalemate;
        }
    }

    e.GameTurn = static_cast<Byte>(1 - e.GameTurn);
    if (status != GameGoesOn) e.GameTurn = TurnGameOver;
    return status;
}

Byte PonderStart(Engine& e, Byte f, Byte t, Byte q) {
    if (!(e.BestScore > 3768 && e.BestScore < 61768)) return 0;
    if (ValidateMove(e, f, t, q, 0) == 0) return 0;
    BuildPieceLists(e);
    ComputeKeys(e, 0);
    e.MoveFrom[0][0] = f;
    e.MoveTo[0][0] = t;
    e.MoveExtra[0][0] = q;
    MakeMove(e, 0, 0);
    if (AttackedBy<BlackOrders>(e, e.Board[WhiteKingCell]) != 0) {
        UnmakeMove(e, 0, 0);
        return 0;
    }
    CopyBoard(e.GameBoard, e.Board);
    e.PlyFlags[252] = e.PlyFlags[0];
    e.HalfMoveClock[252] = e.HalfMoveClock[0];
    e.PlyFlags[0] = e.PlyFlags[1];
    e.HalfMoveClock[0] = e.HalfMoveClock[1];
    for (int i = 101; i >= 1; --i) {
        e.GameKeyA[i] = e.GameKeyA[i - 1];
        e.GameKeyB[i] = e.GameKeyB[i - 1];
    }
    e.GameKeyA[0] = e.KeyA[1];
    e.GameKeyB[0] = e.KeyB[1];
    return 1;
}

void PonderEnd(Engine& e, Byte hit) {
    if (hit == 0) {
        e.NodeCount.store(0, std::memory_order_relaxed);
        for (int x = 0; x < BoardCells; ++x) e.SavedBoard[x] = e.Board[x];
        LoadBoard(e, e.GameBoard);
        UnmakeMove(e, 0, 0);
        CopyBoard(e.GameBoard, e.Board);
        for (int i = 0; i <= 100; ++i) {
            e.GameKeyA[i] = e.GameKeyA[i + 1];
            e.GameKeyB[i] = e.GameKeyB[i + 1];
        }
        e.PlyFlags[0] = e.PlyFlags[252];
        e.HalfMoveClock[0] = e.HalfMoveClock[252];
    } else {
        e.NodeCount.store(1, std::memory_order_relaxed);
        for (int x = 0; x < BoardCells; ++x) e.Board[x] = static_cast<Byte>(e.SavedBoard[x] & 255);
        BuildPieceLists(e);
    }
}

}  // namespace corvane
