// Move text, written once for the front end and the tools: the coordinate
// text of a move of the position held (e2e4, e7e8q), the letter of a
// promotion, and a best-line entry read into its parts.
#pragma once

#include <cstdint>

#include "engine/engine.h"

namespace corvane {

struct FrontEnd;

// How a promotion is written after the squares: UCI and the tools name
// every piece (q, r, b, n); the game's own move text names r, b and n and
// writes a blank for a queen.
enum class PromotionText { EveryPiece, QueenBlank };

// The letter of a promoted piece given by its code, of either colour.
char PromotionLetter(Byte code, PromotionText style);

// The coordinate text of a move of the held position from its cells and
// the promoted piece's code (0 for none) into `out`, ended by a NUL;
// returns its length (4, or 5 with a promotion).
int WriteMoveText(const FrontEnd& fe, Byte from, Byte to, Byte promotion, PromotionText style, char out[6]);

// A best-line entry: from-cell, to-cell, promotion, moving piece, flags;
// or the mate entry, which holds the number of moves to the mate.
struct LineMove {
    Byte From;
    Byte To;
    Byte Promotion;  // the promoted piece's code when the move promotes, else 0
    int Kind;        // 1 king, 2 queen, 3 rook, 4 bishop, 5 knight, 6 pawn
    std::uint32_t Flags;
    bool Mate;           // the mate entry
    unsigned MateMoves;  // its number of moves
};
LineMove ReadLineEntry(std::uint32_t entry);
// The entry of a move by its cells and promotion alone (no piece, no flags
// but the promotion's), as a line that holds just that move.
std::uint32_t MoveLineEntry(Byte from, Byte to, Byte promotion);

}  // namespace corvane
