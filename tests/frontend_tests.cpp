// Front-end commands without the command loop: number reading, squares,
// "setboard", the clock commands, the configuration file and the record.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "engine/board/perft.h"
#include "test_support.h"

namespace corvane::test {
namespace {

TEST(Numbers, ReadStrictlyAsDecimal) {
    EXPECT_EQ(ReadNumber("6000"), 6000);
    EXPECT_EQ(ReadNumber("  -5"), -5);
    EXPECT_EQ(ReadNumber("+7"), 7);
    EXPECT_EQ(ReadNumber("6000 "), 0);  // a trailing blank spoils the number
    EXPECT_EQ(ReadNumber("256MB"), 0);
    EXPECT_EQ(ReadNumber("5:30"), 0);
    EXPECT_EQ(ReadNumber(""), 0);
}

TEST(Squares, ParseAndNameInBothOrientations) {
    Game g;
    EXPECT_EQ(ParseSquare(*g.Front, 'a', '1'), 160);
    EXPECT_EQ(ParseSquare(*g.Front, 'h', '8'), 55);
    EXPECT_EQ(ParseSquare(*g.Front, 'E', '2'), 148);
    char name[2];
    SquareName(*g.Front, 148, name);
    EXPECT_EQ(std::string(name, 2), "e2");
    FlipSides(*g.Front);
    EXPECT_EQ(ParseSquare(*g.Front, 'e', '2'), 215 - 148);
    SquareName(*g.Front, 215 - 148, name);
    EXPECT_EQ(std::string(name, 2), "e2");
    // Promotion letters in either case; anything else is a queen.
    const char letters[] = "rRbBnNqQx";
    const Byte codes[] = {3, 3, 4, 4, 5, 5, 2, 2, 2, 2};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(PromotionCode(letters[i], 0), codes[i]) << letters[i];
        EXPECT_EQ(PromotionCode(letters[i], 1), codes[i] + 10) << letters[i];
    }
}

TEST(SetBoard, SetsPositionTurnRightsAndMoveCount) {
    Game g(2);
    Engine& e = g.First();
    ASSERT_TRUE(g.SetUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    Game fresh;
    EXPECT_EQ(std::memcmp(e.GameBoard, fresh.First().GameBoard, BoardCells), 0);
    EXPECT_EQ(e.PlyFlags[0], 240);
    EXPECT_EQ(e.GameMoveCount, 0);
    EXPECT_EQ(e.GameKeyA[0], fresh.First().GameKeyA[0]);
    // Every copy holds the same position and keys.
    EXPECT_EQ(std::memcmp(e.GameBoard, g.Copies[1].GameBoard, BoardCells), 0);
    EXPECT_EQ(g.Copies[1].GameKeyA[0], e.GameKeyA[0]);

    ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/8/R3K2R b KQ - 3 10"));
    EXPECT_EQ(e.GameTurn, TurnEngine);
    EXPECT_EQ(e.GameMoveCount, 19);
    EXPECT_EQ(e.PlyFlags[0], 192);
    EXPECT_EQ(e.HalfMoveClock[0], 0);

    // A right whose king or rook is not at home is ignored; letters repeat harmlessly.
    ASSERT_TRUE(g.SetUp("r3k2r/8/8/8/8/8/8/R4K1R w KKQQkq - 0 1"));
    EXPECT_EQ(e.PlyFlags[0], 48);

    // A huge full-move number only fills the move list.
    ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/8/4K3 w - - 0 99999"));
    EXPECT_EQ(e.GameMoveCount, GameMoveCapacity);
    // So does one whose doubling would overflow a 64-bit number.
    ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/8/4K3 b - - 0 9000000000000000000"));
    EXPECT_EQ(e.GameMoveCount, GameMoveCapacity);
}

// The en passant field: kept only for a target square behind a pawn that
// has just double-stepped, with the squares it crossed empty and an enemy
// pawn beside it; every other field is ignored.
TEST(SetBoard, EnPassantTargetOnlyWhereTheCaptureExists) {
    const struct {
        const char* Fen;
        int File;  // en passant bits of ply 0 (file + 1), 0 when ignored
    } cases[] = {
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", 4},
        {"4k3/8/8/2Pp4/8/8/8/4K3 w - d6 0 2", 4},   // the taker on the other side
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 2", 4},
        {"4k3/8/8/pP6/8/8/8/4K3 w - a6 0 2", 1},    // the board's edge
        {"4k3/8/8/8/6pP/8/8/4K3 b - h3 0 2", 8},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 2", 0},   // the wrong rank for the side to move
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d6 0 2", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - e6 0 2", 0},   // no pawn that has just moved in front
        {"4k3/8/8/3p4/8/8/8/4K3 w - d6 0 2", 0},    // no pawn that could take
        {"4k3/8/3n4/3pP3/8/8/8/4K3 w - d6 0 2", 0}, // the target is not empty
        {"4k3/3n4/8/3pP3/8/8/8/4K3 w - d6 0 2", 0}, // nor the square behind it
        {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - D6 0 2", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d66 0 2", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - i6 0 2", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w -", 0},
    };
    for (const auto& c : cases) {
        Game g;
        ASSERT_TRUE(g.SetUp(c.Fen)) << c.Fen;
        EXPECT_EQ(g.First().PlyFlags[0] & 15, c.File) << c.Fen;
    }
}

// FEN of the game position of copy 1, unflipped, with the en passant
// target that its flags name.
std::string GameFen(Game& g) {
    const Engine& e = g.First();
    std::string fen;
    for (int row = 3; row <= 10; ++row) {
        int gap = 0;
        for (int file = 0; file < 8; ++file) {
            const Byte v = e.GameBoard[16 * row + file];
            if (v == Empty) {
                ++gap;
                continue;
            }
            if (gap) fen += static_cast<char>('0' + gap);
            gap = 0;
            fen += " kqrbnp////KQRBNP"[v];
        }
        if (gap) fen += static_cast<char>('0' + gap);
        if (row < 10) fen += '/';
    }
    const bool whiteToMove = e.GameTurn == TurnOpponent;
    fen += whiteToMove ? " w " : " b ";
    const Byte flags = e.PlyFlags[0];
    std::string castle;
    if (flags & CastleWhiteH1) castle += 'K';
    if (flags & CastleWhiteA1) castle += 'Q';
    if (flags & CastleBlackH8) castle += 'k';
    if (flags & CastleBlackA8) castle += 'q';
    fen += castle.empty() ? "-" : castle;
    if (flags & 15) fen += std::string(" ") + static_cast<char>('a' + (flags & 15) - 1) + (whiteToMove ? "6" : "3");
    else fen += " -";
    return fen + " 0 1";
}

// Random games from the start position: after every double step that opens
// an en passant capture, the FEN of the position set up afresh holds the
// flags and keys the played move left, and the same move tree (perft), in
// both orientations; and the capture itself leaves the two games equal.
TEST(SetBoard, EnPassantPositionsSetUpAsThePlayedDoubleStepLeftThem) {
    std::mt19937 random(2026);
    int positions = 0;
    for (int game = 0; game < 2000 && positions < 300; ++game) {
        Game played;
        for (int ply = 0; ply < 60; ++ply) {
            const auto moves = LegalMoves(played.First());
            if (moves.empty()) break;
            const auto [from, to] = moves[random() % moves.size()];
            if (played.Play(played.Text(from, to)) != GameGoesOn) break;
            if ((played.First().PlyFlags[0] & 15) == 0) continue;
            ++positions;
            const std::string fen = GameFen(played);
            for (int flipped = 0; flipped < 2; ++flipped) {
                Game copy(2);
                ASSERT_TRUE(copy.SetUp(fen)) << fen;
                if (flipped) {
                    FlipSides(*played.Front);
                    FlipSides(*copy.Front);
                }
                Engine& a = played.First();
                for (int k = 0; k < 2; ++k) {
                    Engine& b = copy.Copies[k];
                    EXPECT_EQ(std::memcmp(a.GameBoard, b.GameBoard, BoardCells), 0) << fen;
                    EXPECT_EQ(b.PlyFlags[0], a.PlyFlags[0]) << fen << " flipped " << flipped;
                    EXPECT_EQ(b.GameKeyA[0], a.GameKeyA[0]) << fen << " flipped " << flipped;
                    EXPECT_EQ(b.GameKeyB[0], a.GameKeyB[0]) << fen << " flipped " << flipped;
                }
                EXPECT_EQ(Perft(copy.First(), PerftRoot(copy.First()), 2), Perft(a, PerftRoot(a), 2)) << fen;
                // Every capture en passant of the played game can be played in
                // the set-up game and takes the pawn that has just moved.
                for (const auto& [f, t] : LegalMoves(a)) {
                    const Byte mover = a.GameBoard[f];
                    if ((mover != BlackPawn && mover != WhitePawn) || ((t - f) & 15) == 0 || a.GameBoard[t] != Empty)
                        continue;
                    Game setUp;
                    ASSERT_TRUE(setUp.SetUp(fen));
                    if (flipped) FlipSides(*setUp.Front);
                    const std::string capture = setUp.Text(f, t);
                    EXPECT_NE(setUp.Play(capture), GameRefused) << fen << " " << capture;
                    EXPECT_EQ(setUp.First().GameBoard[t], mover) << fen << " " << capture;
                    EXPECT_EQ(setUp.First().GameBoard[(f & ~15) | (t & 15)], Empty) << fen << " " << capture;
                }
                if (flipped) FlipSides(*played.Front);
            }
        }
    }
    EXPECT_GE(positions, 200);
}

TEST(SetBoard, RefusesUnplayablePositionsAndKeepsTheGame) {
    Game g;
    Engine& e = g.First();
    ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
    Byte before[BoardCells];
    std::memcpy(before, e.GameBoard, BoardCells);
    const char* refused[] = {
        "8/8/8/8/8/8/8/4K3 w - - 0 1",        // no Black king
        "4k3/8/8/8/8/8/8/8 w - - 0 1",        // no White king
        "4k2k/8/8/8/8/8/8/4K3 w - - 0 1",     // two Black kings
        "4k3/8/8/8/8/8/8/4KK2 w - - 0 1",     // two White kings
        "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1",    // Black, not to move, in check
        "4k3/8/8/8/8/8/4r3/4K3 b - - 0 1",    // White, not to move, in check
        "",
    };
    for (const char* fen : refused) {
        EXPECT_FALSE(g.SetUp(fen)) << fen;
        EXPECT_EQ(std::memcmp(before, e.GameBoard, BoardCells), 0) << fen;
        EXPECT_EQ(e.GameTurn, TurnEngine) << fen;
        EXPECT_EQ(e.GameMoveCount, 1) << fen;
    }
    // The command prints one line and leaves force mode and the book alone.
    g.Front->ForceMode = 0;
    SetBoardCommand(*g.Front, "setboard 8/8/8/8/8/8/8/8 w - - 0 1");
    EXPECT_EQ(ReadAll(g.Sink), "Error (illegal position): setboard 8/8/8/8/8/8/8/8 w - - 0 1\n");
    EXPECT_EQ(g.Front->ForceMode, 0);
}

TEST(SetBoard, OverlongPlacementsNeverWriteOutsideTheBoard) {
    Game g;
    Engine& e = g.First();
    // Rows with too many squares, huge digit runs and stray characters.
    const char* fens[] = {
        "kqrbnpQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQK w - - 0 1",
        "k99999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999999K w",
        "k7/pppppppppppppppp/////////////////////////////////////////////////K w - - 0 1",
        "k//////////////////////////////////////////////////////////////////////////////////////////////////////K b",
    };
    for (const char* fen : fens) {
        g.SetUp(fen);
        for (int x = 0; x < BoardCells; ++x) {
            if (IsSquareCell(x) || x == 2 || x == 3) continue;
            ASSERT_EQ(e.GameBoard[x], x == 0 ? Empty : OffBoard) << fen << " cell " << x;
        }
    }
}

TEST(Commands, WholeLineAndPrefixWordsInTheirOrder) {
    Game g;
    FrontEnd& fe = *g.Front;
    Engine& e = g.First();
    for (const char* line : {"newx", "New", " new", "new ", "flipx", "quitx"}) {
        EXPECT_FALSE(RunCommand(fe, line)) << line;
        EXPECT_EQ(e.Flipped, 0) << line;
    }
    // Prefix words take what follows them.
    EXPECT_FALSE(RunCommand(fe, "time123"));
    EXPECT_EQ(fe.EngineClock, 23u);
    RunCommand(fe, "levelx");
    EXPECT_EQ(fe.EngineClock, 23u);
    RunCommand(fe, "sdx");
    EXPECT_EQ(fe.MaxDepth, 200);
    EXPECT_EQ(fe.EngineClock, 4294967295u);
    EXPECT_TRUE(RunCommand(fe, "quit"));

    // At the console every "new" gives the engine the other colour.
    RunCommand(fe, "new");
    EXPECT_EQ(e.Flipped, 1);
    EXPECT_EQ(e.GameTurn, TurnEngine);
    EXPECT_EQ(fe.EngineClock, 60000u);
    RunCommand(fe, "new");
    EXPECT_EQ(e.Flipped, 0);
    EXPECT_EQ(e.GameTurn, TurnOpponent);
    // "go" gives the engine the side to move and ends force mode.
    RunCommand(fe, "go");
    EXPECT_EQ(fe.ForceMode, 0);
    EXPECT_EQ(e.Flipped, 1);
    EXPECT_EQ(e.GameTurn, TurnEngine);
    RunCommand(fe, "force");
    EXPECT_EQ(fe.ForceMode, 1);
    // Toggles.
    RunCommand(fe, "ponder");
    EXPECT_EQ(fe.PonderEnabled, 1);
    RunCommand(fe, "easy");
    EXPECT_EQ(fe.PonderEnabled, 0);
    RunCommand(fe, "hard");
    EXPECT_EQ(fe.PonderEnabled, 1);
    RunCommand(fe, "hide");
    RunCommand(fe, "hide");
    EXPECT_EQ(fe.HideThinking, 0);
    RunCommand(fe, "otbop");
    EXPECT_EQ(fe.BoardTurned, 1);

    // Under the protocol "new" keeps the clock, gives the engine Black and
    // leaves force mode.
    RunCommand(fe, "xboard");
    RunCommand(fe, "time 500");
    RunCommand(fe, "new");
    EXPECT_EQ(e.Flipped, 0);
    EXPECT_EQ(fe.ForceMode, 0);
    EXPECT_EQ(fe.EngineClock, 500u);
}

TEST(ClockCommands, TimeLevelAndDepth) {
    Game g;
    FrontEnd& fe = *g.Front;
    TimeCommand(fe, "time 6000");
    EXPECT_EQ(fe.EngineClock, 6000u);
    TimeCommand(fe, "time");
    EXPECT_EQ(fe.EngineClock, 6000u);
    TimeCommand(fe, "time 6000 ");
    EXPECT_EQ(fe.EngineClock, 0u);

    LevelCommand(fe, "level 40 5 0");
    EXPECT_EQ(fe.MovesPerPeriod, 40);
    EXPECT_EQ(fe.ClockAddend, 5u);
    EXPECT_EQ(fe.EngineClock, 30000u);
    LevelCommand(fe, "level 0 5 3");
    EXPECT_EQ(fe.MovesPerPeriod, 0);
    EXPECT_EQ(fe.EngineClock, 30000u);
    EXPECT_EQ(fe.ClockAddend, 300u);
    LevelCommand(fe, "level 0 5:30 0");
    EXPECT_EQ(fe.EngineClock, 0u);

    // A clock that has run out may be reported as negative: no time left.
    TimeCommand(fe, "time -25");
    EXPECT_EQ(fe.EngineClock, 0u);
    TimeCommand(fe, "time 99999999999");
    EXPECT_EQ(fe.EngineClock, 4294967295u);

    // The third field of a period control is ignored, a trailing blank too;
    // a trailing blank spoils an increment as it spoils any number.
    LevelCommand(fe, "level 40 5 0 ");
    EXPECT_EQ(fe.MovesPerPeriod, 40);
    EXPECT_EQ(fe.EngineClock, 30000u);
    LevelCommand(fe, "level 0 5 3 ");
    EXPECT_EQ(fe.EngineClock, 30000u);
    EXPECT_EQ(fe.ClockAddend, 0u);
    LevelCommand(fe, "level 0 10 1");
    EXPECT_EQ(fe.EngineClock, 60000u);
    EXPECT_EQ(fe.ClockAddend, 100u);
    // Garbage reads as 0: one period and no time.
    LevelCommand(fe, "level x y z");
    EXPECT_EQ(fe.MovesPerPeriod, 0);
    EXPECT_EQ(fe.EngineClock, 0u);
    EXPECT_EQ(fe.ClockAddend, 0u);

    DepthCommand(fe, "sd 4");
    EXPECT_EQ(fe.MaxDepth, 4);
    EXPECT_EQ(fe.EngineClock, 4294967295u);
    DepthCommand(fe, "sd 260");
    EXPECT_EQ(fe.MaxDepth, 4);  // the low byte of 260
}

TEST(ClockCommands, NumbersOfTimeLevelAndDepth) {
    // Each line from a new game (clock 60000, no period, no increment,
    // depth 200): one digit, many digits, garbage, a trailing blank.
    struct Case {
        const char* Line;
        std::uint32_t Clock;
        int Moves;
        std::uint32_t Addend;
        int Depth;
    };
    const std::uint32_t none = 4294967295u;
    const Case cases[] = {
        {"time 5", 5, 0, 0, 200},          {"time 6000", 6000, 0, 0, 200},
        {"time 6x", 0, 0, 0, 200},         {"time 60 ", 0, 0, 0, 200},
        {"time", 60000, 0, 0, 200},        {"time ", 60000, 0, 0, 200},
        {"sd 5", none, 0, 0, 5},           {"sd 12", none, 0, 0, 12},
        {"sd x", none, 0, 0, 0},           {"sd 7 ", none, 0, 0, 0},
        {"sd 260", none, 0, 0, 4},         {"sd", none, 0, 0, 200},
        {"level 5 1 0", 6000, 5, 1, 200},  {"level 40 25 0", 150000, 40, 25, 200},
        {"level 40 5x 0", 0, 40, 0, 200},  {"level 40 5 0 ", 30000, 40, 5, 200},
        {"level 0 5 3", 30000, 0, 300, 200}, {"level 0 15 10", 90000, 0, 1000, 200},
        {"level 0 x 3", 0, 0, 300, 200},   {"level 0 5 3 ", 30000, 0, 0, 200},
        {"level 0 5:30 0", 0, 0, 0, 200},  {"level 4x 5 0", 60000, 0, 0, 200},
        // Out of the clock's range: negative reads as 0, too large as the
        // largest clock (the products used to overflow).
        {"level 0 -5 -3", 0, 0, 0, 200},   {"level 40 -5 0", 0, 40, 0, 200},
        {"level 0 715827 0", 4294962000u, 0, 0, 200}, {"level 0 715828 0", none, 0, 0, 200},
        {"level 0 99999999999999999999 99999999999999999999", none, 0, none, 200},
        {"level 40 4000000000000000000 0", none, 40, none, 200}, {"level 0 1 42949673", 6000, 0, none, 200},
    };
    for (const Case& c : cases) {
        Game g;
        FrontEnd& fe = *g.Front;
        EXPECT_FALSE(RunCommand(fe, c.Line));
        EXPECT_EQ(fe.EngineClock, c.Clock) << '"' << c.Line << '"';
        EXPECT_EQ(fe.MovesPerPeriod, c.Moves) << '"' << c.Line << '"';
        EXPECT_EQ(fe.ClockAddend, c.Addend) << '"' << c.Line << '"';
        EXPECT_EQ(fe.MaxDepth, c.Depth) << '"' << c.Line << '"';
    }
}

TEST(Configuration, HashSizeFromTheFirstValueLine) {
    Game g;
    const auto dir = ScratchPath("corvane_config_");
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Corvaconfig.ini").string();
    struct Case {
        const char* Text;
        Word Expected;
    };
    const Case cases[] = {
        {"* hash size in MB\n256\n", 256}, {"0\n", 128},      {"1025\n", 128},     {"-5\n", 128},
        {"256MB\n", 128},                  {"256 \n", 128},   {"65600\n", 64},     {"*only\n*comments\n", 128},
        {"\n512\n", 128},                  {"1024\r\n", 1024}, {"*a\n*b\n7", 7},
    };
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary) << c.Text;
        ReadConfiguration(*g.Front, path.c_str());
        EXPECT_EQ(g.Front->HashMegabytes, c.Expected) << c.Text;
    }
    std::filesystem::remove(path);
    ReadConfiguration(*g.Front, path.c_str());
    EXPECT_EQ(g.Front->HashMegabytes, 128);
    std::filesystem::remove_all(dir);
}

TEST(GameRecord, EightPliesALineWithPromotionLetters) {
    Game g;
    const char* moves[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "d2d3", "f8c5", "c1g5"};
    for (const char* m : moves) ASSERT_EQ(g.Play(m), GameGoesOn);
    std::FILE* out = std::tmpfile();
    WriteGameRecord(*g.Front, out);
    EXPECT_EQ(ReadAll(out),
              "1. e2e4  e7e5  2. g1f3  b8c6  3. f1c4  g8f6  4. d2d3  f8c5  \n"
              "5. c1g5  \n");
    std::fclose(out);

    // Real squares while the position is held flipped, and underpromotion.
    Game p;
    ASSERT_TRUE(p.SetUp("4k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    FlipSides(*p.Front);
    ASSERT_EQ(p.Play("a7a8n"), GameNoMaterial);
    out = std::tmpfile();
    WriteGameRecord(*p.Front, out);
    EXPECT_EQ(ReadAll(out), "1. a7a8n \n");
    std::fclose(out);
}

TEST(GameRecord, MovesBeforeASetUpPositionReadA8A8) {
    for (int flipped = 0; flipped < 2; ++flipped) {
        Game g;
        ASSERT_TRUE(g.SetUp("4k3/8/8/8/8/8/4P3/4K3 w - - 0 3"));
        if (flipped) RunCommand(*g.Front, "go");  // the engine takes White, held rotated
        ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
        std::FILE* out = std::tmpfile();
        WriteGameRecord(*g.Front, out);
        EXPECT_EQ(ReadAll(out), "1. a8a8  a8a8  2. a8a8  a8a8  3. e2e4  \n") << "flipped " << flipped;
        std::fclose(out);
    }
}

// Runs `body` with a fresh temporary directory as the working directory.
template <typename Body>
void InScratchDirectory(const char* name, Body body) {
    const auto home = std::filesystem::current_path();
    const auto dir = ScratchPath(name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    body();
    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
}

std::string FileText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The game record is a text file of the system: CR LF line ends on Windows.
#if defined(_WIN32)
const std::string kRecordEnd = "\r\n";
#else
const std::string kRecordEnd = "\n";
#endif

TEST(GameRecord, SaveWritesOrOverwritesTheGameFile) {
    InScratchDirectory("corvane_save_", [] {
        Game g;
        // No move: nothing said, no file.
        SaveCommand(*g.Front);
        EXPECT_EQ(ReadAll(g.Sink), "");
        EXPECT_FALSE(std::filesystem::exists("CorvaGame.txt"));

        for (const char* m : {"e2e4", "e7e5", "g1f3"}) ASSERT_EQ(g.Play(m), GameGoesOn);
        SaveCommand(*g.Front);
        EXPECT_EQ(FileText("CorvaGame.txt"), "1. e2e4  e7e5  2. g1f3  " + kRecordEnd);
        // A second save replaces the file; a shorter game leaves nothing of the longer one.
        Game h;
        ASSERT_EQ(h.Play("d2d4"), GameGoesOn);
        SaveCommand(*h.Front);
        EXPECT_EQ(FileText("CorvaGame.txt"), "1. d2d4  " + kRecordEnd);
        EXPECT_EQ(ReadAll(h.Sink), "saving\n");
    });
}

TEST(GameRecord, AnUnwritableGameFileGivesOnlyTheSavingLine) {
    InScratchDirectory("corvane_nosave_", [] {
        std::filesystem::create_directory("CorvaGame.txt");  // cannot be opened as a file
        Game g;
        ASSERT_EQ(g.Play("e2e4"), GameGoesOn);
        SaveCommand(*g.Front);
        EXPECT_EQ(ReadAll(g.Sink), "saving\n");
        EXPECT_TRUE(std::filesystem::is_directory("CorvaGame.txt"));
        // The program goes on normally.
        ListCommand(*g.Front);
        EXPECT_EQ(ReadAll(g.Sink), "saving\n1. e2e4  \n");
    });
}

}  // namespace
}  // namespace corvane::test
