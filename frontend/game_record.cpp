// The game record: the moves of the game in numbered coordinate notation,
// eight plies to a line, on the console ("list") or in the game file ("save").
#include <cstdio>

#include "frontend/frontend.h"

namespace corvane {

namespace {

constexpr const char* kGameFile = "CorvaGame.txt";

}  // namespace

void WriteGameRecord(FrontEnd& fe, std::FILE* out) {
    const Engine& e = fe.Copies[0];
    int plies = e.GameMoveCount;
    if (plies > GameMoveCapacity) plies = GameMoveCapacity;
    for (int k = 0; k < plies; ++k) {
        const Word entry = e.GameMoves[k];
        int from = (entry >> 9) + 48;
        int to = ((entry >> 2) & 127) + 48;
        if (e.Flipped == 1) {
            from = 215 - from;
            to = 215 - to;
        }
        char fromName[2];
        char toName[2];
        SquareName(fe, static_cast<Byte>(from), fromName);
        SquareName(fe, static_cast<Byte>(to), toName);
        if (k % 2 == 0) std::fprintf(out, "%d. ", k / 2 + 1);
        std::fprintf(out, "%c%c%c%c%c ", fromName[0], fromName[1], toName[0], toName[1],
                     PromotionLetter(entry & 3));
        if (k % 8 == 7 || k == plies - 1) std::fputc('\n', out);
    }
    std::fflush(out);
}

void ListCommand(FrontEnd& fe) {
    if (fe.Copies[0].GameMoveCount == 0) return;
    WriteGameRecord(fe, fe.Output);
}

void SaveCommand(FrontEnd& fe) {
    if (fe.Copies[0].GameMoveCount == 0) return;
    PrintLine(fe, "saving");
    std::FILE* file = std::fopen(kGameFile, "w");
    if (file == nullptr) return;
    WriteGameRecord(fe, file);
    std::fclose(file);
}

}  // namespace corvane
