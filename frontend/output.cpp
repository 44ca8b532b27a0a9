// Console and protocol output. Lines are flushed as they end: an interface
// reading the engine's output must see every line at once.
#include <cstdio>

#include "frontend/frontend.h"

namespace corvane {

void Print(FrontEnd& fe, const char* text) {
    std::fputs(text, fe.Output);
}

void EndLine(FrontEnd& fe) {
    std::fputc('\n', fe.Output);
    std::fflush(fe.Output);
}

void LineText::AddSquare(const FrontEnd& fe, Byte square) {
    char name[2];
    SquareName(fe, square, name);
    Add(name[0]);
    Add(name[1]);
}

void PrintLine(FrontEnd& fe, const char* text) {
    Print(fe, text);
    EndLine(fe);
}

}  // namespace corvane
