// The game record: the moves of the game in numbered coordinate notation,
// eight plies to a line, on the console ("list") or in the game file ("save").
#include <cstdio>

#include "frontend/frontend.h"

namespace corvane {

namespace {

constexpr const char* kGameFile = "CorvaGame.txt";

}  // namespace

void GameMoveSquares(const FrontEnd& fe, int ply, char from[2], char to[2]) {
    const Engine& e = fe.Copies[0];
    const Word entry = e.GameMoves[ply];
    int f = (entry >> 9) + FirstRowCell;
    int t = ((entry >> 2) & 127) + FirstRowCell;
    // The list holds real cells; SquareName turns a flipped cell back, so a
    // real cell is handed to it flipped.
    if (e.Flipped == 1) {
        f = RotatedCell(f);
        t = RotatedCell(t);
    }
    SquareName(fe, static_cast<Byte>(f), from);
    SquareName(fe, static_cast<Byte>(t), to);
}

void WriteGameRecord(FrontEnd& fe, std::FILE* out) {
    const Engine& e = fe.Copies[0];
    int plies = e.GameMoveCount;
    if (plies > GameMoveCapacity) plies = GameMoveCapacity;
    for (int k = 0; k < plies; ++k) {
        const Word entry = e.GameMoves[k];
        char fromName[2];
        char toName[2];
        GameMoveSquares(fe, k, fromName, toName);
        if (k % 2 == 0) std::fprintf(out, "%d. ", k / 2 + 1);
        std::fprintf(out, "%c%c%c%c%c ", fromName[0], fromName[1], toName[0], toName[1],
                     PromotionLetter(static_cast<Byte>(BlackQueen + (entry & 3)), PromotionText::QueenBlank));
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
