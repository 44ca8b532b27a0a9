// Shared pieces of the fuzz targets: an engine of two copies on one small
// hash table, as the two-copy program builds it (without worker threads),
// and the checks that its game position is whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "engine/engine.h"
#include "frontend/frontend.h"

namespace corvane::fuzz {

struct FuzzEngine {
    Engine Copies[2];
    FrontEnd Front;
};

// Built once per fuzzing process; the output goes to the null device.
FuzzEngine& SharedEngine();

// Back to a fresh program state: a new game, front-end defaults, a fixed
// random seed (so that every input replays alike).
void ResetEngine(FuzzEngine& f);

// Stops the process with a message when the game position of any copy is
// not whole or the copies differ: both kings present and where the king
// cells say, only piece codes on the squares, the game keys equal to keys
// computed from scratch, the side not to move not in check, and every copy
// holding copy 1's game.
void CheckGame(FuzzEngine& f, const char* afterLine);

// Stops the process with a message naming the line that led there.
[[noreturn]] void Fail(const char* what, const char* afterLine);

// Writes `size` bytes to a file of this process in the working directory and
// returns its name.
const char* WriteScratchFile(const char* stem, const std::uint8_t* data, std::size_t size);

}  // namespace corvane::fuzz
