// Fuzz target: the command loop fed arbitrary lines. The input is split into
// lines as the input reader splits standard input (at most 255 characters
// kept, a carriage return before the line end dropped), and each line goes
// through the loop as the program runs it: a ponder step when it would
// ponder, the line as a game move, the line as command words, and then the
// engine's own moves for as long as it is to move and not forced. After
// every step the game position of both copies is checked. Searches are held
// to a shallow depth so that an input runs in milliseconds; the book is read
// from the working directory. From a line "uci" on, the rest of the input is
// a UCI session: each line goes to the UCI mode with the line after it
// already waiting in the mailbox, so that a search meets it as it would
// from the input reader (stop, isready, ponderhit, quit, or a line kept for
// after the search); the lines kept are handled after the search, in order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/board/board.h"
#include "frontend/frontend.h"
#include "tools/fuzz/fuzz_support.h"

namespace {

using namespace corvane;

constexpr Byte kFuzzDepth = 2;

void Deliver(FrontEnd& fe, const char* line) {
    std::memcpy(fe.InputLine, line, LineCapacity);
    fe.LineReady.store(1, std::memory_order_release);
}

// The engine's own move, held to a shallow search.
void EngineMove(FrontEnd& fe) {
    const Byte depth = fe.MaxDepth;
    fe.MaxDepth = std::min(depth, kFuzzDepth);
    SearchTurn(fe);
    fe.MaxDepth = depth;
    ApplyGameMove(fe, 0);
}

// The passes the program makes without waiting for input: while the engine
// is to move and not forced, it moves at once. Returns true on "quit".
bool EngineTurns(fuzz::FuzzEngine& f, const char* line) {
    FrontEnd& fe = f.Front;
    for (int k = 0; k < 2 && f.Copies[0].GameTurn == TurnEngine && fe.ForceMode == 0; ++k) {
        EngineMove(fe);
        fuzz::CheckGame(f, line);
        // A move of its own that the game refuses would leave the program
        // searching the same position on every pass, for ever.
        if (f.Copies[0].GameTurn == TurnEngine) fuzz::Fail("the engine's own move was refused", line);
        if (RunCommand(fe, "-")) return true;
        fuzz::CheckGame(f, line);
    }
    return false;
}

// One line through the loop; returns true when the program would end.
bool Pass(fuzz::FuzzEngine& f, const char* line) {
    FrontEnd& fe = f.Front;
    switch (f.Copies[0].GameTurn) {
    case TurnEngine:  // forced: the line is a move for the engine's side
        Deliver(fe, line);
        std::memcpy(fe.WorkLine, line, LineCapacity);
        ApplyGameMove(fe, 0);
        break;
    case TurnOpponent:
        Deliver(fe, line);  // a ponder search stops after one step
        if (fe.ForceMode == 0 && fe.PonderEnabled == 1 && fe.PonderState == 2) PonderTurn(fe);
        std::memcpy(fe.WorkLine, line, LineCapacity);
        ApplyGameMove(fe, 1);
        PonderHitTest(fe);
        break;
    default:
        break;
    }
    fuzz::CheckGame(f, line);
    const bool quit = RunCommand(fe, line);
    fuzz::CheckGame(f, line);
    return quit || EngineTurns(f, line);
}

// The next line of the input, as the input reader keeps it (at most
// `capacity` - 1 characters, a carriage return before the line end
// dropped); false at the end of the input.
bool NextLine(const std::uint8_t* data, std::size_t size, std::size_t& at, char* line, int capacity) {
    if (at >= size) return false;
    int length = 0;
    while (at < size && data[at] != '\n') {
        if (length < capacity - 1) line[length++] = static_cast<char>(data[at]);
        ++at;
    }
    ++at;  // the line end
    if (length > 0 && line[length - 1] == '\r') --length;
    std::memset(line + length, 0, static_cast<std::size_t>(capacity - length));
    return true;
}

// The rest of the input as a UCI session.
void UciSessionOf(fuzz::FuzzEngine& f, const std::uint8_t* data, std::size_t size, std::size_t at) {
    FrontEnd& fe = f.Front;
    fe.Uci.DepthCap = kFuzzDepth + 1;
    fe.Uci.LargestHash = 2;
    UciStart(fe);
    fe.LineReady.store(0, std::memory_order_release);
    static char line[LongLineCapacity];
    static char next[LongLineCapacity];
    bool haveNext = NextLine(data, size, at, next, LongLineCapacity);
    for (int passes = 0; haveNext && passes < 64; ++passes) {
        std::memcpy(line, next, LongLineCapacity);
        haveNext = NextLine(data, size, at, next, LongLineCapacity);
        if (haveNext) {
            std::memcpy(fe.LongLine, next, LongLineCapacity);
            fe.LineReady.store(1, std::memory_order_release);
        }
        bool quit = UciLine(fe, line);
        fuzz::CheckGame(f, line);
        // A line the search took is not read again.
        if (haveNext && fe.LineReady.load(std::memory_order_acquire) == 0)
            haveNext = NextLine(data, size, at, next, LongLineCapacity);
        fe.LineReady.store(0, std::memory_order_release);
        while (!quit && UciNextPending(fe, line)) {
            quit = UciLine(fe, line);
            fuzz::CheckGame(f, line);
        }
        if (quit) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzEngine& f = fuzz::SharedEngine();
    fuzz::ResetEngine(f);
    char line[LineCapacity];
    std::size_t at = 0;
    int passes = 0;
    while (passes < 64 && NextLine(data, size, at, line, LineCapacity)) {
        ++passes;
        if (std::strcmp(line, "uci") == 0) {
            UciSessionOf(f, data, size, at);
            break;
        }
        if (Pass(f, line)) break;
    }
    return 0;
}
