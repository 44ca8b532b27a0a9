// The pieces of UCI mode shared by its two files (uci.cpp: the session, the
// game held and the options; uci_go.cpp: "go", the info lines and
// "bestmove"): reading the words of a line and answers in "info string"
// lines.
#pragma once

#include <cstdint>

#include "frontend/frontend.h"

namespace corvane::uci {

// The words of a line, one after the other (blanks and tabs separate them).
struct Words {
    const char* At;

    explicit Words(const char* text) : At(text) {}

    void SkipBlanks() {
        while (*At == ' ' || *At == '\t') ++At;
    }
    // The next word into `out` (cut to `capacity` - 1 characters); false at
    // the end of the line.
    bool Next(char* out, int capacity) {
        SkipBlanks();
        if (*At == '\0') return false;
        int n = 0;
        while (*At != '\0' && *At != ' ' && *At != '\t') {
            if (n < capacity - 1) out[n++] = *At;
            ++At;
        }
        out[n] = '\0';
        return true;
    }
    // The next word without taking it.
    bool Peek(char* out, int capacity) {
        const char* keep = At;
        const bool found = Next(out, capacity);
        At = keep;
        return found;
    }
};

bool Same(const char* a, const char* b);
// Option names and their values compare without regard to case.
bool SameNoCase(const char* a, const char* b);

// One "info string" line: the text, then at most a few dozen characters of
// `detail` (a piece of the line it answers).
void InfoString(FrontEnd& fe, const char* text, const char* detail = nullptr);

// Is the word a move in coordinate notation (with a promotion letter or
// not)?
bool IsMoveWord(const char* w);

// Reads a whole word as a number; false when it is none.
bool ReadWordNumber(const char* w, std::int64_t& value);

// Takes a waiting line from the mailbox into `out`; false when none waits.
bool TakeLine(FrontEnd& fe, char* out);

// "position startpos|fen FEN [moves ...]".
void PositionCommand(FrontEnd& fe, const char* rest);
// Sets the base position up afresh in every copy and plays `moves` on it;
// false when the position is refused (the game held is then unchanged).
bool SetUpGame(FrontEnd& fe, const char* base, bool engineWhite, const char* moves);

// "go": searches the game held with the engine on the move until the
// limits of the command, a "stop" or a "quit"; true on "quit".
bool GoCommand(FrontEnd& fe, const char* rest);

}  // namespace corvane::uci
