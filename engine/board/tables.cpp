// The board's start-up tables (piece values, random key numbers, key tables)
// and the board flip that lets the engine's pieces, always coded
// 1..6, stand for either real colour.
#include <random>

#include "engine/board/board.h"

namespace corvane {

namespace {

// The lists' square bits and the line tables, walked on the cells.
void InitCellBits(Engine& e) {
    for (int x = 0; x < BoardCells; ++x) e.CellBit[x] = IsSquareCell(x) ? std::uint64_t{1} << SquareIndex(x) : 0;
    for (int square = 0; square < 64; ++square) {
        const int cell = SquareCell(square);
        for (int d = 0; d < 8; ++d) {
            std::uint64_t ray = 0;
            Byte length = 0;
            for (int y = cell + RayStep(d); IsSquareCell(y); y += RayStep(d), ++length) ray |= e.CellBit[y];
            e.Rays[d][square] = ray;
            e.RayLength[d][square] = length;
        }
        for (int other = 0; other < 64; ++other) e.LineOf[square][other] = 8;
        for (int d = 0; d < 8; ++d)
            for (std::uint64_t ray = e.Rays[d][square]; ray != 0; ray &= ray - 1)
                e.LineOf[square][std::countr_zero(ray)] = static_cast<Byte>(d);
        e.StraightLines[square] = e.Rays[0][square] | e.Rays[2][square] | e.Rays[4][square] | e.Rays[6][square];
        e.DiagonalLines[square] = e.Rays[1][square] | e.Rays[3][square] | e.Rays[5][square] | e.Rays[7][square];
        std::uint64_t reach = 0;
        for (const int d : KnightOffsets)
            if (IsSquareCell(cell + d)) reach |= e.CellBit[cell + d];
        e.KnightReach[square] = reach;
    }
}

void InitPieceValues(Engine& e) {
    for (Word& v : e.PieceValue) v = 0;
    e.PieceValue[1] = e.PieceValue[11] = 8192;
    e.PieceValue[2] = e.PieceValue[12] = 1000;
    e.PieceValue[3] = e.PieceValue[13] = 512;
    e.PieceValue[4] = e.PieceValue[14] = 325;
    e.PieceValue[5] = e.PieceValue[15] = 324;
    e.PieceValue[6] = e.PieceValue[16] = 90;
}

}  // namespace

void BuildKeyTables(Engine& e) {
    for (int x = 0; x < BoardCells; ++x) {
        e.KeyTableA[0][x] = 0;
        e.KeyTableB[0][x] = 0;
        for (std::uint32_t p = 1; p <= 16; ++p) {
            e.KeyTableA[p][x] = p * e.RandomA[x];
            e.KeyTableB[p][x] = p * e.RandomB[x];
        }
    }
}

void InitBoardTables(Engine& e) {
    InitCellBits(e);
    InitPieceValues(e);
    for (int x = 0; x < BoardCells; ++x) {
        e.RandomA[x] = 0;
        e.RandomB[x] = 0;
    }
    // A fixed seed makes the keys the same in every run.
    std::mt19937 generator(2);
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int x = row; x < row + 8; ++x) {
            e.RandomA[x] = KeyDraw(static_cast<std::uint32_t>(generator()));
            e.RandomB[x] = KeyDraw(static_cast<std::uint32_t>(generator()));
        }
    }
    BuildKeyTables(e);
}

void InitBoardTablesAttached(Engine& e) {
    InitCellBits(e);
    InitPieceValues(e);
}

void FlipPosition(Engine& e) {
    e.Flipped = static_cast<Byte>(1 - e.Flipped);
    // After the end of the game the turn stays "game over": toggling it would
    // leave a value that no pass of the command loop waits on.
    if (e.GameTurn == TurnEngine || e.GameTurn == TurnOpponent)
        e.GameTurn = static_cast<Byte>(1 - e.GameTurn);

    for (int x = 0; x < BoardCells; ++x) e.Board[x] = e.GameBoard[x];
    e.GameBoard[BlackKingCell] = static_cast<Byte>(RotatedCell(e.Board[WhiteKingCell]));
    e.GameBoard[WhiteKingCell] = static_cast<Byte>(RotatedCell(e.Board[BlackKingCell]));
    for (int row = FirstRowCell; row <= LastRowCell; row += RowCells) {
        for (int x = row; x < row + 8; ++x) {
            const Byte v = e.Board[x];
            Byte w;
            if (v == Empty) w = Empty;
            else if (v < 8) w = static_cast<Byte>(v + 10);
            else w = static_cast<Byte>(v - 10);
            e.GameBoard[RotatedCell(x)] = w;
        }
    }
    LoadBoard(e, e.GameBoard);
    e.HalfMoveClock[0] = 0;

    // Rights follow the rooks: the a8 rook stands on h1 afterwards, and so on.
    const Byte o = e.PlyFlags[0];
    Byte flags = 0;
    if (o & 16) flags += 128;
    if (o & 32) flags += 64;
    if (o & 64) flags += 32;
    if (o & 128) flags += 16;
    if (o & 15) flags = static_cast<Byte>(flags + 9 - (o & 15));
    e.PlyFlags[0] = flags;

    if (e.GameTurn == TurnEngine) {
        e.PlyFlags[1] = e.PlyFlags[0];
        ComputeKeys(e, 1);
        e.GameKeyA[0] = e.KeyA[1];
        e.GameKeyB[0] = e.KeyB[1];
    } else {
        ComputeKeys(e, 0);
        e.GameKeyA[0] = e.KeyA[0];
        e.GameKeyB[0] = e.KeyB[0];
    }
}

}  // namespace corvane
