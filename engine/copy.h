// The operations on a whole engine copy that join its subsystems: the
// start-up of its tables (board and evaluation) and the game operations that
// also touch the shared hash table (a new game clears it, the engine's own
// game move ages it). They sit above the board, the evaluation and the search
// so that each of those includes only what lies below it.
#pragma once

#include "engine/engine.h"

namespace corvane {

// Builds every table of a copy. Copy 1 draws the random key numbers;
// copies 2..4 take them from copy 1's table when attached (HashAttach).
void InitTables(Engine& e);
void InitTablesAttached(Engine& e);

// A new game in a copy; with clearTable false copy 1 keeps the hash table's
// entries.
void NewGame(Engine& e, bool clearTable = true);

// The engine's own game move; copy 1 ages the hash table unless ageTable is
// false (a move of a game that is only replayed).
Byte PlayBlackMove(Engine& e, Byte from, Byte to, Byte promotion, bool ageTable = true);

}  // namespace corvane
