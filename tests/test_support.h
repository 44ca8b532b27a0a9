// Helpers shared by the unit tests: engine copies with their tables built, and
// boards set up piece by piece or from a FEN.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/board/board.h"
#include "engine/copy.h"
#include "engine/engine.h"
#include "frontend/frontend.h"
#include "scratch_path.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace corvane::test {

// One engine copy, value-initialised (no hash table), tables built, new game.
inline std::unique_ptr<Engine> MakeEngine() {
    auto e = std::make_unique<Engine>();
    e->CopyNumber = 1;
    InitTables(*e);
    NewGame(*e);
    return e;
}

// Empties the 64 squares of both Board and GameBoard (kings included).
inline void ClearBoard(Engine& e) {
    for (int row = 48; row <= 160; row += 16)
        for (int x = row; x < row + 8; ++x) e.Board[x] = e.GameBoard[x] = Empty;
    BuildPieceLists(e);
}

// Puts a piece on a cell of both Board and GameBoard; kings also set their
// king cell. The piece lists follow the board.
inline void Place(Engine& e, int cell, Byte code) {
    e.Board[cell] = e.GameBoard[cell] = code;
    if (code == BlackKing) e.Board[BlackKingCell] = e.GameBoard[BlackKingCell] = static_cast<Byte>(cell);
    if (code == WhiteKing) e.Board[WhiteKingCell] = e.GameBoard[WhiteKingCell] = static_cast<Byte>(cell);
    BuildPieceLists(e);
}

// Everything written to a file so far (the file stays open).
inline std::string ReadAll(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    return text;
}

// The legal moves (from, to) of the side to move in the game position of
// `e`, in generation order. Works at the scratch plies 2 and 3 and leaves
// Board equal to GameBoard.
inline std::vector<std::pair<Byte, Byte>> LegalMoves(Engine& e) {
    const bool black = e.GameTurn == TurnEngine;
    const Byte ply = black ? 3 : 2;
    LoadBoard(e, e.GameBoard);
    e.PlyFlags[ply] = e.PlyFlags[0];
    e.InCheck[ply] = black ? AttackedByWhite(e, e.Board[BlackKingCell]) : AttackedByBlack(e, e.Board[WhiteKingCell]);
    if (black) GenerateBlack(e, ply);
    else GenerateWhite(e, ply);
    std::vector<std::pair<Byte, Byte>> moves;
    for (int s = 0; e.LastMove[ply] != ListEmptyLast && s <= e.LastMove[ply]; ++s) {
        e.MoveExtra[ply][s] = black ? BlackQueen : WhiteQueen;
        PlaceMove(e, static_cast<Byte>(s), ply);
        const bool safe = black ? AttackedByWhite(e, e.Board[BlackKingCell]) == 0
                                : AttackedByBlack(e, e.Board[WhiteKingCell]) == 0;
        UnmakeMove(e, static_cast<Byte>(s), ply);
        if (safe) moves.emplace_back(e.MoveFrom[ply][s], e.MoveTo[ply][s]);
    }
    return moves;
}

// A front end over `count` engine copies built as the programs build them
// (copy 1 draws the key numbers, the others take them), output discarded.
struct Game {
    std::unique_ptr<Engine[]> Copies;
    std::unique_ptr<FrontEnd> Front;
    std::FILE* Sink = nullptr;

    explicit Game(int count = 1) : Copies(std::make_unique<Engine[]>(count)), Front(std::make_unique<FrontEnd>()) {
        Sink = std::tmpfile();
        InitFrontEnd(*Front, Copies.get(), count, Sink);
        InitTables(Copies[0]);
        for (int k = 1; k < count; ++k) {
            InitTablesAttached(Copies[k]);
            for (int x = 0; x < BoardCells; ++x) {
                Copies[k].RandomA[x] = Copies[0].RandomA[x];
                Copies[k].RandomB[x] = Copies[0].RandomB[x];
            }
            BuildKeyTables(Copies[k]);
        }
        StartNewGame(*Front, 1);
    }
    ~Game() {
        if (Sink) std::fclose(Sink);
    }
    Engine& First() { return Copies[0]; }

    // Drops what the front end has printed so far.
    void ClearOutput() {
        std::FILE* fresh = std::tmpfile();
        std::fclose(Sink);
        Sink = fresh;
        Front->Output = fresh;
    }

    // Sets a FEN up as "setboard" does; false when refused.
    bool SetUp(const std::string& fen) {
        return SetBoard(*Front, ("setboard " + fen).c_str());
    }

    // The coordinate text of a move given by cells of the held position.
    std::string Text(Byte from, Byte to) const {
        char a[2], b[2];
        SquareName(*Front, from, a);
        SquareName(*Front, to, b);
        return std::string{a[0], a[1], b[0], b[1]};
    }

    // Plays a move typed in coordinate notation for the side to move, as the
    // command loop does; returns copy 1's game-state code.
    Byte Play(const std::string& move) {
        std::snprintf(Front->WorkLine, LineCapacity, "%s", move.c_str());
        const Byte side = First().GameTurn == TurnEngine ? 0 : 1;
        const char* w = Front->WorkLine;
        const std::size_t n = move.size();
        const Byte from = ParseSquare(*Front, n > 0 ? w[0] : 0, n > 1 ? w[1] : 0);
        const Byte to = ParseSquare(*Front, n > 2 ? w[2] : 0, n > 3 ? w[3] : 0);
        const Byte promotion = PromotionCode(n >= 5 ? w[4] : 0, side);
        Byte code = 0;
        for (int k = 0; k < Front->CopyCount; ++k) {
            Engine& e = Copies[k];
            const Byte c = side == 0 ? PlayBlackMove(e, from, to, promotion) : PlayWhiteMove(e, from, to, promotion);
            if (k == 0) code = c;
        }
        return code;
    }
};

struct FedRun {
    std::string Output;
    int ExitCode = -1;
};

#if !defined(_WIN32)
// Runs a program in a fresh directory (with a small hash table, so that
// sanitizer builds start quickly), feeding it the shell commands `feed` on
// standard input. In `feed`, `w N PATTERN` waits until the output holds N
// lines matching PATTERN (at most two minutes), so that lines arrive at the
// moments the test wants, however fast the build runs.
inline FedRun RunFed(const std::string& program, const std::string& feed) {
    const std::filesystem::path dir = ScratchPath("corvane_play_");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Corvaconfig.ini") << "16\n";
    const std::string wait =
        "w() { n=0; until c=$(grep -c -- \"$2\" output.txt 2>/dev/null); [ \"${c:-0}\" -ge \"$1\" ] || "
        "[ $n -ge 1200 ]; do sleep 0.1; n=$((n+1)); done; }; ";
    const std::string command = "cd \"" + dir.string() + "\" && ( " + wait + feed + " ) | timeout 300 \"" + program +
                                "\" > output.txt 2>&1";
    const int status = std::system(command.c_str());
    FedRun run;
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(dir / "output.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.Output = text.str();
    std::filesystem::remove_all(dir);
    return run;
}
#endif

inline int Count(const std::string& text, const std::regex& pattern) {
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
}

}  // namespace corvane::test
