// The opening book: a text file of lines of moves in coordinate notation,
// each line an opening from the start position ("e2e4 e7e5 g1f3 ..."), move
// k at characters 5k+1 to 5k+4. The whole file is read on every book move:
// the lines that begin with the moves of the game are counted, one of them is
// picked at random, and its next move is played. Lines that begin alike must
// stand together, since the pick ranges over the line numbers from the first
// to the last matching line.
#include <cstdio>
#include <random>

#include "engine/board/board.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

// Lines after these are never read.
constexpr int kBookLines = 8192;
// Characters of a line that are seen; the rest of a longer line is skipped.
constexpr int kVisible = LineCapacity - 1;

// One line of the book. The length is kept apart from the text, so that a NUL
// byte in the file is a character like any other.
struct BookLine {
    char Text[LineCapacity];
    int Length;
};

// Reads the next line into `line` (at most kVisible characters; the rest of a
// longer line is read and dropped, so it never shows as a line of its own; a
// carriage return before the line end is dropped). Returns false at the end
// of the file when nothing was read.
bool ReadBookLine(std::FILE* file, BookLine& line) {
    line.Length = 0;
    int c = std::getc(file);
    if (c == EOF) return false;
    while (c != EOF && c != '\n') {
        if (line.Length < kVisible) line.Text[line.Length++] = static_cast<char>(c);
        c = std::getc(file);
    }
    if (line.Length > 0 && line.Text[line.Length - 1] == '\r') --line.Length;
    line.Text[line.Length] = '\0';
    return true;
}

// Does the line begin with the p moves of the game and hold one more?
bool ContinuesGame(const FrontEnd& fe, const BookLine& line, int p) {
    if (line.Length <= 5 * (p + 1) - 2) return false;
    for (int j = 0; j < p; ++j) {
        char from[2];
        char to[2];
        GameMoveSquares(fe, j, from, to);
        const char* move = line.Text + 5 * j;
        if (move[0] != from[0] || move[1] != from[1] || move[2] != to[0] || move[3] != to[1]) return false;
    }
    return true;
}

bool IsFile(char c) {
    return c >= 'a' && c <= 'h';
}

bool IsRank(char c) {
    return c >= '1' && c <= '8';
}

// The chosen move must name two squares and be legal for the engine; a line
// that the random pick reached without matching the game (an unsorted book),
// or a faulty line, would otherwise be announced to the interface as the
// engine's move.
bool IsPlayableMove(FrontEnd& fe, const char* move) {
    if (!IsFile(move[0]) || !IsRank(move[1]) || !IsFile(move[2]) || !IsRank(move[3])) return false;
    const Byte from = ParseSquare(fe, move[0], move[1]);
    const Byte to = ParseSquare(fe, move[2], move[3]);
    return TestBlackMove(fe.Copies[0], from, to, PromotionCode('\0', 0)) == 1;
}

}  // namespace

void BookLookup(FrontEnd& fe, const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    fe.BookActive = 0;
    if (file == nullptr) {
        PrintLine(fe, fe.UciMode == 1 ? "info string error opening book" : "error opening book");
        return;
    }
    const int p = fe.Copies[0].GameMoveCount;
    BookLine line;
    int first = kBookLines;  // none yet
    int last = 0;
    for (int i = 0; i < kBookLines && ReadBookLine(file, line); ++i) {
        if (!ContinuesGame(fe, line, p)) continue;
        if (first == kBookLines) first = i;
        else last = i;
    }
    if (first == kBookLines) {
        std::fclose(file);
        return;
    }

    if (last > first) first += std::uniform_int_distribution<int>(0, last - first)(fe.Random);
    std::rewind(file);
    bool found = false;
    for (int i = 0; i <= first; ++i) {
        found = ReadBookLine(file, line);
        if (!found) break;
    }
    std::fclose(file);
    // The chosen line need not hold a move at this point (it is the line the
    // pick reached, not necessarily a matching one).
    if (!found || line.Length < 5 * p + 4) return;
    const char* move = line.Text + 5 * p;
    if (!IsPlayableMove(fe, move)) return;

    for (int k = 0; k < 4; ++k) fe.WorkLine[k] = move[k];
    fe.WorkLine[4] = '\0';
    fe.BookActive = 1;
    if (fe.UciMode == 1) Print(fe, "info string ");
    else if (fe.XboardMode == 1) Print(fe, "0 0 0 0 ");
    PrintLine(fe, "from book");
}

}  // namespace corvane
