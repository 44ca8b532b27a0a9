// Shared set-up of the developer tool's commands: one engine copy with a
// front end around it, and a position read from a FEN.
#pragma once

#include <memory>

#include "engine/engine.h"
#include "frontend/frontend.h"

namespace corvane {

// One engine copy (no hash table) with its tables built and a new game set up.
struct ToolContext {
    Engine Copy;
    FrontEnd Front;
};
void InitToolContext(ToolContext& tool);

// Checks that a FEN is complete enough to be used (eight ranks of eight
// squares, a side to move, castling and en passant fields that read as such)
// and sets the position up as "setboard" does. On failure writes a one-line
// reason into `error` (256 characters) and returns false.
bool SetUpFen(ToolContext& tool, const char* fen, char* error);

// A tool context with the FEN set up; on failure prints the one-line
// "error: ..." and returns null.
std::unique_ptr<ToolContext> LoadToolPosition(const char* fen);

// Copies the game position to Board and sets the ply of the side to move
// (1 for Black, 2 for White) and the two bounds the evaluation's lazy test
// reads, ready for Evaluate.
void PrepareEvaluation(Engine& e, Word boundParent, Word boundCurrent);

// search_command.cpp: gives the tool copy a hash table and lets the engine
// play the side to move; searches until the iteration `depth` is complete,
// printing every new best line when asked.
bool PrepareSearch(ToolContext& tool);
bool SearchToDepth(ToolContext& tool, int depth, bool print);
void PrintBestLine(ToolContext& tool);

// Reads a whole non-negative decimal number; false for anything else.
bool ParseCount(const char* text, long long& value);

}  // namespace corvane
