// Attack tests: how many attack lines a side has on a cell. They read the
// board and the two king cells only. The walks stop at guard cells because
// those are neither Empty nor any piece.
#include "engine/board/board.h"

namespace corvane {

namespace {

inline bool KingStep(int d) {
    return d == 1 || d == 15 || d == 16 || d == 17;
}

}  // namespace

Byte AttackedByWhite(const Engine& e, Byte s) {
    const Byte* b = e.Board;
    int count = 0;
    const int d = s > b[WhiteKingCell] ? s - b[WhiteKingCell] : b[WhiteKingCell] - s;
    count += KingStep(d);
    count += b[s + 15] == WhitePawn;
    count += b[s + 17] == WhitePawn;
    count += b[s - 33] == WhiteKnight;
    count += b[s - 31] == WhiteKnight;
    count += b[s - 18] == WhiteKnight;
    count += b[s - 14] == WhiteKnight;
    count += b[s + 14] == WhiteKnight;
    count += b[s + 18] == WhiteKnight;
    count += b[s + 31] == WhiteKnight;
    count += b[s + 33] == WhiteKnight;
    int x;
    x = s - 16; while (b[x] == Empty) x -= 16; count += (b[x] & 254) == 12;
    x = s + 16; while (b[x] == Empty) x += 16; count += (b[x] & 254) == 12;
    x = s - 1;  while (b[x] == Empty) x -= 1;  count += (b[x] & 254) == 12;
    x = s + 1;  while (b[x] == Empty) x += 1;  count += (b[x] & 254) == 12;
    x = s - 15; while (b[x] == Empty) x -= 15; count += (b[x] & 253) == 12;
    x = s + 15; while (b[x] == Empty) x += 15; count += (b[x] & 253) == 12;
    x = s - 17; while (b[x] == Empty) x -= 17; count += (b[x] & 253) == 12;
    x = s + 17; while (b[x] == Empty) x += 17; count += (b[x] & 253) == 12;
    return static_cast<Byte>(count);
}

Byte AttackedByBlack(const Engine& e, Byte s) {
    const Byte* b = e.Board;
    int count = 0;
    const int d = s > b[BlackKingCell] ? s - b[BlackKingCell] : b[BlackKingCell] - s;
    count += KingStep(d);
    count += b[s - 15] == BlackPawn;
    count += b[s - 17] == BlackPawn;
    count += b[s - 33] == BlackKnight;
    count += b[s - 31] == BlackKnight;
    count += b[s - 18] == BlackKnight;
    count += b[s - 14] == BlackKnight;
    count += b[s + 14] == BlackKnight;
    count += b[s + 18] == BlackKnight;
    count += b[s + 31] == BlackKnight;
    count += b[s + 33] == BlackKnight;
    int x;
    x = s - 16; while (b[x] == Empty) x -= 16; count += (b[x] & 254) == 2;
    x = s + 16; while (b[x] == Empty) x += 16; count += (b[x] & 254) == 2;
    x = s - 1;  while (b[x] == Empty) x -= 1;  count += (b[x] & 254) == 2;
    x = s + 1;  while (b[x] == Empty) x += 1;  count += (b[x] & 254) == 2;
    x = s - 15; while (b[x] == Empty) x -= 15; count += ((b[x] + 10) & 253) == 12;
    x = s + 15; while (b[x] == Empty) x += 15; count += ((b[x] + 10) & 253) == 12;
    x = s - 17; while (b[x] == Empty) x -= 17; count += ((b[x] + 10) & 253) == 12;
    x = s + 17; while (b[x] == Empty) x += 17; count += ((b[x] + 10) & 253) == 12;
    return static_cast<Byte>(count);
}

}  // namespace corvane
