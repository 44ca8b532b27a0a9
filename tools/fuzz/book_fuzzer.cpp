// Fuzz target: the opening book reader on arbitrary files. The first input
// byte picks how far into a fixed game the engine looks the book up (0 to 7
// moves played) and which colour it plays; the rest is the book file. A move
// the book offers must be one the engine can play.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/board/board.h"
#include "frontend/frontend.h"
#include "tools/fuzz/fuzz_support.h"

namespace {

using namespace corvane;

constexpr const char* kGame[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4"};

void PlayForce(FrontEnd& fe, const char* move) {
    std::snprintf(fe.WorkLine, LineCapacity, "%s", move);
    ApplyGameMove(fe, fe.Copies[0].GameTurn == TurnEngine ? 0 : 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::FuzzEngine& f = fuzz::SharedEngine();
    fuzz::ResetEngine(f);
    FrontEnd& fe = f.Front;
    const int played = data[0] % 8;
    const bool engineWhite = (data[0] & 8) != 0;
    for (int k = 0; k < played; ++k) PlayForce(fe, kGame[k]);
    // The engine to move: its colour decides whether the board is turned.
    const bool whiteToMove = played % 2 == 0;
    if (whiteToMove != engineWhite) return 0;
    if (f.Copies[0].GameTurn != TurnEngine) FlipSides(fe);
    fuzz::CheckGame(f, "(book set-up)");

    const char* name = fuzz::WriteScratchFile("book", data + 1, size - 1);
    BookLookup(fe, name);
    std::remove(name);
    if (fe.BookActive == 1) {
        const Word before = f.Copies[0].GameMoveCount;
        ApplyGameMove(fe, 0);
        if (f.Copies[0].GameMoveCount != before + 1) {
            std::fprintf(stderr, "the book offered \"%s\", which the engine cannot play\n", fe.WorkLine);
            std::abort();
        }
        fuzz::CheckGame(f, fe.WorkLine);
    }
    return 0;
}
