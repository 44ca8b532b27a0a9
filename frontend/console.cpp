// The console picture: the board as eight lines of eight letters, with a
// marker beside the line of the side to move.
#include "frontend/frontend.h"

namespace corvane {

void ShowBoard(FrontEnd& fe) {
    const Engine& e = fe.Copies[0];
    int a = e.GameTurn;
    int b = e.Flipped;
    if (fe.BoardTurned == 1 && a != TurnGameOver) {
        a = 1 - a;
        b = 1 - b;
    }
    for (int r = 3; r <= 10; ++r) {
        char text[9];
        for (int f = 0; f < 8; ++f) {
            int cell = 16 * r + f;
            if (fe.BoardTurned == 1) cell = RotatedCell(cell);
            const Byte v = e.GameBoard[cell];
            text[f] = v <= 16 ? fe.PieceLetters[v] : '?';
        }
        text[8] = '\0';
        Print(fe, text);
        if (r == 3) {
            if (a == 0 && b == 1) Print(fe, "  <-- white");
            else if (a == 0 && b == 0) Print(fe, "  <-- black");
        } else if (r == 10) {
            if (a == 1 && b == 0) Print(fe, "  <-- white");
            else if (a == 1 && b == 1) Print(fe, "  <-- black");
        }
        EndLine(fe);
    }
}

}  // namespace corvane
