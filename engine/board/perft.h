// Move-path enumeration (perft): counts the leaves of the legal move tree
// with the engine's own generator, make, unmake and attack tests. It proves
// the move machinery right against published counts.
#pragma once

#include <cstdint>

#include "engine/engine.h"

namespace corvane {

struct PerftEntry {
    Byte From;
    Byte To;
    Byte Promotion;  // promoted piece code, 0 for other moves
    std::uint64_t Count;
};

// Leaves `depth` plies below the position at `ply` (flags, clock, keys and
// InCheck of that ply set). A promotion counts once per promoted piece.
std::uint64_t Perft(Engine& e, Byte ply, int depth);

// Sets up the root ply of a perft from the game position: ply 1 when the
// pieces coded 1..6 are to move, ply 2 otherwise. Returns that ply.
Byte PerftRoot(Engine& e);

// Counts below each legal root move (a promotion once per piece, queen, rook,
// bishop, knight) into `out`, which must hold 1024 entries; returns how many
// entries were written.
int PerftDivide(Engine& e, int depth, PerftEntry* out);

}  // namespace corvane
