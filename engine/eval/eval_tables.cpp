// Constant tables of the evaluation, filled once per engine copy at start-up:
// the three placement tables, the king-zone weights and the bit tables read
// on pawn file masks.
#include "engine/eval/evaluate.h"

#include "engine/eval/eval_internal.h"

namespace corvane {

namespace {

// Placement values by relative rank 1..8 (rows) and files 0..3 (columns),
// from Black's side; files 4..7 mirror files 3..0.
constexpr Byte kKingCentreGrid[8][4] = {
    {0, 0, 4, 4},   {0, 2, 3, 8},     {6, 8, 10, 12}, {8, 10, 12, 16},
    {8, 10, 12, 16}, {4, 8, 10, 12},  {2, 2, 6, 8},   {0, 0, 2, 2},
};

constexpr Byte kPawnGrid[8][4] = {
    {0, 0, 0, 0},  {0, 1, 2, 3},    {0, 1, 3, 5},    {0, 1, 18, 30},
    {1, 2, 12, 24}, {1, 3, 10, 10}, {64, 64, 64, 64}, {0, 0, 0, 0},
};

constexpr Byte kKnightGrid[8][4] = {
    {80, 95, 95, 95},     {100, 102, 102, 106}, {100, 112, 125, 118}, {100, 108, 120, 150},
    {105, 115, 130, 156}, {110, 120, 130, 150}, {106, 120, 120, 120}, {0, 110, 110, 110},
};

// Writes a grid into a 201-cell table: relative rank R sits on row R + 2.
// Cells that are not squares stay 0.
void FillPlacementTable(Byte table[BoardCells], const Byte grid[8][4]) {
    for (int x = 0; x < BoardCells; ++x) table[x] = 0;
    for (int rank = 0; rank < 8; ++rank) {
        const int rowStart = 16 * (rank + 3);
        for (int file = 0; file < 4; ++file) {
            table[rowStart + file] = grid[rank][file];
            table[rowStart + 7 - file] = grid[rank][file];
        }
    }
}

void FillKingZoneWeights(Engine& e) {
    // Every cell value not listed (Empty, OffBoard, unused codes, the side's
    // own king) weighs 2.
    for (int v = 0; v <= 64; ++v) {
        e.BlackKingZoneWeight[v] = 2;
        e.WhiteKingZoneWeight[v] = 2;
    }
    // Around the Black king: own pieces weigh little, White pieces much.
    e.BlackKingZoneWeight[BlackKing] = 2;
    e.BlackKingZoneWeight[BlackQueen] = 1;
    e.BlackKingZoneWeight[BlackRook] = 1;
    e.BlackKingZoneWeight[BlackBishop] = 0;
    e.BlackKingZoneWeight[BlackKnight] = 1;
    e.BlackKingZoneWeight[BlackPawn] = 0;
    e.BlackKingZoneWeight[WhiteKing] = 6;
    e.BlackKingZoneWeight[WhiteQueen] = 14;
    e.BlackKingZoneWeight[WhiteRook] = 10;
    e.BlackKingZoneWeight[WhiteBishop] = 10;
    e.BlackKingZoneWeight[WhiteKnight] = 10;
    e.BlackKingZoneWeight[WhitePawn] = 8;
    // Around the White king, the other way round.
    e.WhiteKingZoneWeight[BlackKing] = 6;
    e.WhiteKingZoneWeight[BlackQueen] = 14;
    e.WhiteKingZoneWeight[BlackRook] = 10;
    e.WhiteKingZoneWeight[BlackBishop] = 10;
    e.WhiteKingZoneWeight[BlackKnight] = 10;
    e.WhiteKingZoneWeight[BlackPawn] = 8;
    e.WhiteKingZoneWeight[WhiteKing] = 2;
    e.WhiteKingZoneWeight[WhiteQueen] = 1;
    e.WhiteKingZoneWeight[WhiteRook] = 1;
    e.WhiteKingZoneWeight[WhiteBishop] = 0;
    e.WhiteKingZoneWeight[WhiteKnight] = 1;
    e.WhiteKingZoneWeight[WhitePawn] = 0;
}

// MaskTop: highest set bit + 1 (0 for 0); MaskBottom: lowest set bit (0 for
// 0); MaskCount: number of set bits.
void FillBitTables(Engine& e) {
    for (int m = 0; m < 256; ++m) {
        int top = 0;
        int bottom = 0;
        int count = 0;
        for (int bit = 7; bit >= 0; --bit) {
            if ((m >> bit) & 1) {
                if (top == 0) top = bit + 1;
                bottom = bit;
                ++count;
            }
        }
        e.MaskTop[m] = static_cast<Byte>(top);
        e.MaskBottom[m] = static_cast<Byte>(bottom);
        e.MaskCount[m] = static_cast<Byte>(count);
    }
}

}  // namespace

// The board scan's change of the score per piece and cell: Black pieces add,
// White pieces subtract the same terms read from the rotated cell.
void FillScanValues(Engine& e) {
    for (int v = 0; v <= 16; ++v)
        for (int c = 0; c < BoardCells; ++c) e.ScanValue[v][c] = 0;
    for (int c = 0; c < BoardCells; ++c) {
        if (!IsSquareCell(c)) continue;
        const int f = c & 15;
        const int m = RotatedCell(c);
        e.ScanValue[BlackQueen][c] = 1000;
        e.ScanValue[BlackRook][c] = static_cast<std::int16_t>(512 + RookFileBonus(e, f));
        e.ScanValue[BlackBishop][c] = static_cast<std::int16_t>(c == 50 || c == 53 ? 322 : 325);
        e.ScanValue[BlackKnight][c] = static_cast<std::int16_t>(224 + e.KnightTable[c]);
        e.ScanValue[BlackPawn][c] = static_cast<std::int16_t>(90 + e.PawnTable[c]);
        e.ScanValue[WhiteQueen][c] = -1000;
        e.ScanValue[WhiteRook][c] = static_cast<std::int16_t>(-(512 + RookFileBonus(e, f)));
        e.ScanValue[WhiteBishop][c] = static_cast<std::int16_t>(c == 162 || c == 165 ? -322 : -325);
        e.ScanValue[WhiteKnight][c] = static_cast<std::int16_t>(-(224 + e.KnightTable[m]));
        e.ScanValue[WhitePawn][c] = static_cast<std::int16_t>(-(90 + e.PawnTable[m]));
    }
}

void InitEvaluationTables(Engine& e) {
    FillPlacementTable(e.KingCentreTable, kKingCentreGrid);
    FillPlacementTable(e.PawnTable, kPawnGrid);
    FillPlacementTable(e.KnightTable, kKnightGrid);
    FillKingZoneWeights(e);
    FillBitTables(e);
    FillScanValues(e);
    e.BlackSignature = 0;
    e.WhiteSignature = 0;
    // No position holds a pawn on every square: these entries name none.
    for (PawnEntry& entry : e.PawnCache) entry = PawnEntry{~std::uint64_t{0}, ~std::uint64_t{0}, 0, 0};
}

}  // namespace corvane
