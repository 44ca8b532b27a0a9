// UCI mode through the real programs: scripted sessions whose output is
// checked line by line, with every "bestmove" checked against the legal
// moves of the position the session built (computed in-process).
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace corvane {
namespace {

using test::Count;
using test::FedRun;
using test::RunFed;

const char* const kPrograms[] = {CORVANE1_PATH, CORVANE2_PATH, CORVANE4_PATH};

// The legal moves in UCI notation of the position reached from `fen` (or
// the start position when empty) by `moves`.
std::set<std::string> LegalAfter(const std::string& fen, const std::string& moves) {
    test::Game g;
    if (!fen.empty()) {
        EXPECT_TRUE(g.SetUp(fen)) << fen;
    }
    std::istringstream in(moves);
    for (std::string m; in >> m;) {
        const Byte side = g.First().GameTurn;
        EXPECT_NE(g.Play(m), GameRefused) << m;
        // An interface plays on after a draw by rule, and so does UCI mode.
        if (g.First().GameTurn == TurnGameOver) g.First().GameTurn = static_cast<Byte>(1 - side);
    }
    std::set<std::string> legal;
    Engine& e = g.First();
    for (const auto& [from, to] : test::LegalMoves(e)) {
        const std::string text = g.Text(from, to);
        const Byte piece = e.GameBoard[from];
        const bool promotes = (piece == BlackPawn || piece == WhitePawn) && (text[3] == '1' || text[3] == '8');
        if (!promotes) legal.insert(text);
        else
            for (char c : std::string("qrbn")) legal.insert(text + c);
    }
    return legal;
}

// The moves of every "bestmove" line, in order.
std::vector<std::string> BestMoves(const std::string& output) {
    std::vector<std::string> moves;
    const std::regex line(R"(^bestmove (\S+)( ponder (\S+))?$)", std::regex::multiline);
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line); it != std::sregex_iterator(); ++it)
        moves.push_back((*it)[1]);
    return moves;
}

// A number field of the last "info" line that has it ("nodes", "time").
long long LastInfo(const std::string& output, const std::string& field, std::size_t from = 0) {
    long long value = -1;
    const std::regex pattern("^info .*\\b" + field + " (-?\\d+)", std::regex::multiline);
    const std::string text = output.substr(from);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        value = std::stoll((*it)[1]);
    return value;
}

std::string Feed(const std::string& lines) {
    return "printf '" + lines + "'; ";
}

TEST(Uci, HandshakeOptionsAndReady) {
    for (const char* program : kPrograms) {
        // Threads offers the program's engine copies.
        const std::string copies = program == std::string(CORVANE1_PATH)   ? "1"
                                   : program == std::string(CORVANE2_PATH) ? "2"
                                                                           : "4";
        const FedRun run = RunFed(program, Feed("uci\\nisready\\nquit\\n"));
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_NE(run.Output.find("id name Corvane 1.4\n"
                                  "id author the CorvaneChess team\n"
                                  "option name Hash type spin default 16 min 1 max 1024\n"
                                  "option name Ponder type check default false\n"
                                  "option name Clear Hash type button\n"
                                  "option name OwnBook type check default true\n"
                                  "option name MultiPV type spin default 1 min 1 max 64\n"
                                  "option name Threads type spin default " +
                                  copies + " min 1 max " + copies +
                                  "\n"
                                  "option name Move Overhead type spin default 0 min 0 max 5000\n"
                                  "uciok\nreadyok\n"),
                  std::string::npos)
            << program << "\n" << run.Output;
        // Nothing after "uci" that a UCI interface would misread: no board,
        // no "oops", no "move".
        const std::string after = run.Output.substr(run.Output.find("id name"));
        EXPECT_EQ(after.find("oops"), std::string::npos) << after;
        EXPECT_EQ(after.find("////"), std::string::npos) << after;
    }
}

// Searches in every program: "isready" answered during "go infinite",
// "stop" ending it with a legal move, "quit" during a search and during
// pondering, and the end of input ending the program.
TEST(Uci, InfiniteSearchReadyStopAndQuit) {
    const auto legal = LegalAfter("", "e2e4");
    for (const char* program : kPrograms) {
        const FedRun run = RunFed(program, Feed("uci\\nsetoption name OwnBook value false\\nposition startpos moves "
                                                "e2e4\\ngo infinite\\n") +
                                               "w 1 'info depth 4'; " + Feed("isready\\n") + "w 1 readyok; " +
                                               Feed("stop\\n") + "w 1 bestmove; " + Feed("go infinite\\n") +
                                               "w 2 'info depth 3'; " + Feed("quit\\n"));
        EXPECT_EQ(run.ExitCode, 0) << program;
        const auto best = BestMoves(run.Output);
        ASSERT_EQ(best.size(), 1u) << program << "\n" << run.Output;
        EXPECT_TRUE(legal.count(best[0])) << best[0];
        EXPECT_LT(run.Output.find("readyok"), run.Output.find("bestmove")) << run.Output;
        // Pondering, then "quit".
        const FedRun ponder = RunFed(program, Feed("uci\\nposition startpos moves e2e4 e7e5\\ngo ponder wtime 10000 "
                                                   "btime 10000\\n") +
                                                  "w 1 'info depth 4'; " + Feed("quit\\n"));
        EXPECT_EQ(ponder.ExitCode, 0) << program;
        EXPECT_TRUE(BestMoves(ponder.Output).empty()) << ponder.Output;
        // The end of input ends the program as "quit" does.
        EXPECT_EQ(RunFed(program, Feed("uci\\n")).ExitCode, 0) << program;
    }
}

// The limits of "go", each ending in one legal "bestmove".
TEST(Uci, GoLimits) {
    const std::string opening = "position startpos moves e2e4 e7e5 g1f3 b8c6";
    const auto legal = LegalAfter("", "e2e4 e7e5 g1f3 b8c6");
    const struct {
        const char* Go;
        int MaxDepth;            // deepest "info depth" allowed, -1 any
        long long MaxTime;       // latest last "time" allowed (ms), -1 any
        long long MaxNodes;      // most nodes in the last "info", -1 any
        int MinDepth = -1;       // an "info depth" at least this deep, -1 any
    } cases[] = {
        {"go depth 5", 5, -1, -1},
        {"go movetime 300", -1, 1500, -1},
        {"go nodes 20000", -1, -1, 20000 + 2 * 150000},
        {"go wtime 2000 btime 2000 winc 20 binc 20", -1, 1500, -1},
        {"go wtime 60000 btime 60000 movestogo 1 depth 3", 3, -1, -1},
        {"go searchmoves a2a3 h2h3 depth 4", 4, -1, -1},
        // The engine has White: its own clock counts, not the opponent's.
        {"go wtime 100000 btime 1000", -1, -1, -1, 5},
        {"go wtime 1000 btime 100000", 2, -1, -1},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\n" + opening + "\\n" +
                                                      c.Go + "\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        const auto best = BestMoves(run.Output);
        ASSERT_EQ(best.size(), 1u) << c.Go << "\n" << run.Output;
        EXPECT_TRUE(legal.count(best[0])) << c.Go << ": " << best[0];
        if (c.MaxDepth >= 0) {
            EXPECT_EQ(Count(run.Output, std::regex("^info depth " + std::to_string(c.MaxDepth) + " ",
                                                   std::regex::multiline)) > 0,
                      true)
                << c.Go << "\n" << run.Output;
            EXPECT_EQ(Count(run.Output, std::regex("^info depth " + std::to_string(c.MaxDepth + 1) + " ",
                                                   std::regex::multiline)),
                      0)
                << c.Go << "\n" << run.Output;
        }
#if !defined(CORVANE_SANITIZED)
        if (c.MaxTime >= 0) {
            EXPECT_LE(LastInfo(run.Output, "time"), c.MaxTime) << c.Go << "\n" << run.Output;
        }
#endif
        if (c.MinDepth >= 0) {
            EXPECT_GT(Count(run.Output, std::regex("^info depth " + std::to_string(c.MinDepth) + " ",
                                                   std::regex::multiline)),
                      0)
                << c.Go << "\n" << run.Output;
        }
        if (c.MaxNodes >= 0) {
            EXPECT_LE(LastInfo(run.Output, "nodes"), c.MaxNodes) << c.Go << "\n" << run.Output;
        }
        if (std::string(c.Go).find("searchmoves") != std::string::npos) {
            EXPECT_TRUE(best[0] == "a2a3" || best[0] == "h2h3") << best[0];
        }
    }
}

// "go ponder": "ponderhit" turns the ponder search into the engine's own,
// which goes on from the nodes already searched; "stop" ends it with a move.
TEST(Uci, PonderHitCarriesTheSearchOverAndStopEndsIt) {
    const auto legal = LegalAfter("", "e2e4 e7e5");
    for (const char* program : kPrograms) {
        const FedRun hit = RunFed(program, Feed("uci\\nsetoption name Ponder value true\\nposition startpos moves e2e4 "
                                                "e7e5\\ngo ponder wtime 3000 btime 3000\\n") +
                                               "w 1 'info depth 5'; " + Feed("ponderhit\\n") + "w 1 bestmove; " +
                                               Feed("quit\\n"));
        const auto best = BestMoves(hit.Output);
        ASSERT_EQ(best.size(), 1u) << program << "\n" << hit.Output;
        EXPECT_TRUE(legal.count(best[0])) << best[0];
        // Node counts never start again within the search.
        long long previous = 0;
        const std::regex nodes(R"(^info .* nodes (\d+))", std::regex::multiline);
        for (auto it = std::sregex_iterator(hit.Output.begin(), hit.Output.end(), nodes); it != std::sregex_iterator();
             ++it) {
            const long long n = std::stoll((*it)[1]);
            EXPECT_GE(n, previous) << hit.Output;
            previous = n;
        }
        const FedRun stop = RunFed(program, Feed("uci\\nposition startpos moves e2e4 e7e5\\ngo ponder\\n") +
                                                "w 1 'info depth 4'; " + Feed("stop\\n") + "w 1 bestmove; " +
                                                Feed("quit\\n"));
        ASSERT_EQ(BestMoves(stop.Output).size(), 1u) << stop.Output;
        EXPECT_TRUE(legal.count(BestMoves(stop.Output)[0]));
    }
}

// Positions: castling, en passant and promotions of both colours given in
// the moves or played by the engine, a repetition the search sees, and the
// book.
TEST(Uci, PositionsAndTheirMoves) {
    const struct {
        std::string Position;
        std::string Go;
        std::string Best;  // the expected move, or empty for any legal one
        std::string Fen, Moves;
        std::string Info = "";  // a part of the output, when not empty
    } cases[] = {
        {"startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5", "depth 3", "", "",
         "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5"},
        {"startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 b1c3 g8f6 d2d3 e8g8", "depth 3", "", "",
         "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 b1c3 g8f6 d2d3 e8g8"},
        {"startpos moves e2e4 a7a6 e4e5 d7d5 e5d6", "depth 3", "", "", "e2e4 a7a6 e4e5 d7d5 e5d6"},
        {"startpos moves a2a3 e7e5 a3a4 e5e4 d2d4 e4d3", "depth 3", "", "", "a2a3 e7e5 a3a4 e5e4 d2d4 e4d3"},
        {"fen 5r1k/8/2p5/1n1pP3/4K3/r7/8/8 w - d6 0 2", "depth 3", "e5d6", "", "", "score mate -2 "},
        {"fen 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1", "depth 3", "a1a8", "", "", "score mate 1 "},
        {"fen 8/8/R7/4k3/1N1Pp3/2P5/8/5R1K b - d3 0 2", "depth 3", "e4d3", "", ""},
        {"fen 8/P7/8/8/8/8/8/k6K w - - 0 1", "depth 4", "a7a8q", "", ""},
        {"fen K7/8/8/8/8/8/p7/7k b - - 0 1", "depth 4", "a2a1q", "", ""},
        {"fen 8/P7/8/8/8/8/8/k6K w - - 0 1 moves a7a8n", "depth 3", "", "8/P7/8/8/8/8/8/k6K w - - 0 1", "a7a8n"},
        {"fen K7/8/8/8/8/8/p7/7k b - - 0 1 moves a2a1r", "depth 3", "", "K7/8/8/8/8/8/p7/7k b - - 0 1", "a2a1r"},
        // Black, a queen down, repeats the position a third time: a draw.
        {"fen rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1",
         "depth 4", "f6g8", "", "", "score cp 0 "},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\nposition " +
                                                      c.Position + "\\ngo " + c.Go + "\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        const auto best = BestMoves(run.Output);
        ASSERT_EQ(best.size(), 1u) << c.Position << "\n" << run.Output;
        EXPECT_EQ(run.Output.find("info string"), std::string::npos) << c.Position << "\n" << run.Output;
        if (!c.Best.empty()) {
            EXPECT_EQ(best[0], c.Best) << c.Position << "\n" << run.Output;
        } else {
            EXPECT_TRUE(LegalAfter(c.Fen, c.Moves).count(best[0])) << c.Position << ": " << best[0];
        }
        if (!c.Info.empty()) {
            EXPECT_NE(run.Output.find(c.Info), std::string::npos) << c.Position << "\n" << run.Output;
        }
    }
    // The book answers from the start position; a game without a legal move
    // answers at once.
    const FedRun book = RunFed(CORVANE1_PATH, std::string("cp '") + CORVANE_BOOK_PATH + "' .; " +
                                                  Feed("uci\\nposition startpos moves e2e4\\ngo depth 9\\n") +
                                                  "w 1 bestmove; " + Feed("quit\\n"));
    EXPECT_NE(book.Output.find("info string from book"), std::string::npos) << book.Output;
    const FedRun mated = RunFed(CORVANE1_PATH, Feed("uci\\nposition fen 5r1k/8/2p5/1n1pP3/4K3/r7/8/8 w - - 0 2\\ngo "
                                                    "infinite\\n") +
                                                   "w 1 bestmove; " + Feed("quit\\n"));
    EXPECT_NE(mated.Output.find("bestmove (none)\n"), std::string::npos) << mated.Output;
}

// A game sent again before every search with one more move each time is
// continued, and so is a game after a new hash size.
TEST(Uci, GamesGoOnAndHashSizeChanges) {
    for (const char* program : kPrograms) {
        const FedRun run = RunFed(
            program, Feed("uci\\nsetoption name OwnBook value false\\nsetoption name Hash value 4\\nisready\\n"
                          "position startpos moves d2d4\\ngo depth 3\\n") +
                         "w 1 bestmove; " +
                         "m=$(grep bestmove output.txt | sed -n 1p | cut -d\" \" -f2); " +
                         "printf 'position startpos moves d2d4 %s g1f3\\ngo depth 3\\n' \"$m\"; w 2 bestmove; " +
                         Feed("setoption name Hash value 1\\nsetoption name Clear Hash\\nposition startpos moves "
                              "d2d4\\ngo depth 3\\n") +
                         "w 3 bestmove; " + Feed("quit\\n"));
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_EQ(BestMoves(run.Output).size(), 3u) << program << "\n" << run.Output;
        EXPECT_NE(run.Output.find("info string 4MB\nreadyok\n"), std::string::npos) << run.Output;
        EXPECT_NE(run.Output.find("info string 1MB\n"), std::string::npos) << run.Output;
        EXPECT_EQ(Count(run.Output, std::regex("^info string", std::regex::multiline)), 2) << run.Output;
    }
}

// Bad input: each is answered (or ignored) and the position held stays
// consistent: the next search still plays a legal move of the game.
TEST(Uci, BadInputKeepsTheGame) {
    const std::string longLine(10000, 'x');
    const struct {
        std::string Lines;     // sent after "position startpos moves e2e4"
        std::string Expected;  // in the output
        std::string Fen, Moves;  // the position the final search is in
    } cases[] = {
        {"bogus command", "info string unknown command: bogus command", "", "e2e4"},
        {"setoption name Hash value 99999", "info string Hash takes", "", "e2e4"},
        {"setoption name Hash value 12abc", "info string Hash takes", "", "e2e4"},
        {"setoption name Ponder value maybe", "info string Ponder takes", "", "e2e4"},
        {"setoption name NoSuch value 1", "info string no such option: NoSuch", "", "e2e4"},
        {"setoption", "info string setoption needs a name", "", "e2e4"},
        {"position startpos moves e2e4 e7e5 e1e3 d7d6", "info string illegal move, the moves from it on are not played: e1e3",
         "", "e2e4 e7e5"},
        {"position fen xyz", "info string illegal position", "", "e2e4"},
        {"position fen 8/8/8/8/8/8/8/8 w - - 0 1", "info string illegal position", "", "e2e4"},
        {"position", "info string position needs", "", "e2e4"},
        {"position startpos moves e2e4 zz99", "info string illegal move", "", "e2e4"},
        {"position " + longLine, "info string position needs", "", "e2e4"},
        {longLine, "info string unknown command: xxxx", "", "e2e4"},
        {"go depth x\\nstop", "info string go: a number expected", "", "e2e4"},
        {"stop\\nponderhit\\nisready", "readyok", "", "e2e4"},
    };
    for (const auto& c : cases) {
        const FedRun run =
            RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\nposition startpos moves e2e4\\n" +
                                       c.Lines + "\\ngo depth 3\\n") +
                                      "w 1 bestmove; " + Feed("quit\\n"));
        EXPECT_EQ(run.ExitCode, 0) << c.Lines.substr(0, 60);
        EXPECT_NE(run.Output.find(c.Expected), std::string::npos) << c.Lines.substr(0, 60) << "\n" << run.Output;
        const auto best = BestMoves(run.Output);
        ASSERT_FALSE(best.empty()) << c.Lines.substr(0, 60) << "\n" << run.Output;
        EXPECT_TRUE(LegalAfter(c.Fen, c.Moves).count(best.back())) << c.Lines.substr(0, 60) << ": " << best.back();
    }
    // "go" before any "position" searches the start position.
    const FedRun fresh = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\ngo depth 2\\n") +
                                                   "w 1 bestmove; " + Feed("quit\\n"));
    ASSERT_EQ(BestMoves(fresh.Output).size(), 1u) << fresh.Output;
    EXPECT_TRUE(LegalAfter("", "").count(BestMoves(fresh.Output)[0]));
}

// -- Analysis: info lines, MultiPV, Threads, Move Overhead, go mate --------

// The "info" lines of an output that carry a pv, in order.
struct InfoLine {
    int Depth = 0;
    int Index = 0;  // multipv, 0 without
    std::string Score;
    long long Time = -1;
    std::vector<std::string> Pv;
};

std::vector<InfoLine> InfoLines(const std::string& output) {
    std::vector<InfoLine> lines;
    std::istringstream in(output);
    for (std::string text; std::getline(in, text);) {
        if (text.rfind("info depth", 0) != 0 || text.find(" pv ") == std::string::npos) continue;
        InfoLine line;
        std::istringstream words(text);
        for (std::string w; words >> w;) {
            if (w == "depth") words >> line.Depth;
            else if (w == "multipv") words >> line.Index;
            else if (w == "time") words >> line.Time;
            else if (w == "score") {
                std::string kind, value;
                words >> kind >> value;
                line.Score = kind + " " + value;
            } else if (w == "pv") {
                for (std::string m; words >> m;) line.Pv.push_back(m);
            }
        }
        lines.push_back(line);
    }
    return lines;
}

// Can `pv` be played move after move from the position `fen` + `moves`?
bool Playable(const std::string& fen, const std::string& moves, const std::vector<std::string>& pv) {
    std::string played = moves;
    for (const std::string& m : pv) {
        if (!LegalAfter(fen, played).count(m)) return false;
        played += " " + m;
    }
    return true;
}

// Every line a search prints is playable from the position of its "go":
// the second search of the same game never repeats the first one's line
// (whose moves were illegal there), with one line and with three.
TEST(Uci, EveryPrintedLineIsPlayable) {
    const std::string game = "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 e7e6 g2g4 f8e7";
    for (const char* lines : {"1", "3"}) {
        const FedRun run = RunFed(CORVANE1_PATH,
                                  Feed("uci\\nsetoption name OwnBook value false\\nsetoption name MultiPV value " +
                                       std::string(lines) + "\\nposition startpos moves " + game + "\\ngo depth 6\\n") +
                                      "w 1 bestmove; " +
                                      Feed("position startpos moves " + game + " f1b5 f6d7\\ngo depth 6\\n") +
                                      "w 2 bestmove; " + Feed("quit\\n"));
        const std::size_t second = run.Output.find("bestmove");
        ASSERT_NE(second, std::string::npos) << run.Output;
        const auto before = InfoLines(run.Output.substr(0, second));
        const auto after = InfoLines(run.Output.substr(second));
        ASSERT_FALSE(before.empty() || after.empty()) << run.Output;
        // Every line with a score has a pv.
        EXPECT_EQ(Count(run.Output, std::regex("^info depth .* score ", std::regex::multiline)),
                  static_cast<int>(before.size() + after.size()))
            << run.Output;
        for (const auto& line : before) EXPECT_TRUE(Playable("", game, line.Pv)) << line.Pv[0];
        for (const auto& line : after) EXPECT_TRUE(Playable("", game + " f1b5 f6d7", line.Pv)) << line.Pv[0];
        // The ponder move can be played after the best move.
        const std::regex best(R"(bestmove (\S+) ponder (\S+))");
        for (auto it = std::sregex_iterator(run.Output.begin(), run.Output.end(), best); it != std::sregex_iterator();
             ++it) {
            const std::string base = it->position() <= static_cast<long>(second) ? game : game + " f1b5 f6d7";
            EXPECT_TRUE(Playable("", base, {(*it)[1], (*it)[2]})) << (*it)[0];
        }
    }
}

// MultiPV: every completed iteration ends with lines 1 to k, best first,
// with different first moves, one per legal move at most and among the
// moves of "searchmoves"; "bestmove" and "ponder" come from line 1.
TEST(Uci, MultiPvReportsTheBestLinesOfEveryIteration) {
    const struct {
        std::string Fen, Go;
        int Lines;                 // lines expected per iteration
        std::set<std::string> Only;  // the moves the lines may start with, empty for any
    } cases[] = {
        {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8", "go depth 5", 3, {}},
        {"k7/p7/8/8/8/8/P7/K7 w - - 0 1", "go depth 4", 4, {}},
        {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
         "go depth 4 searchmoves a2a3 h2h3 d1b3", 3, {"a2a3", "h2h3", "d1b3"}},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name MultiPV value 3\\nsetoption name MultiPV "
                                                      "value " + std::string(c.Lines == 4 ? "6" : "3") +
                                                      "\\nposition fen " + c.Fen + "\\n" + c.Go + "\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        const auto lines = InfoLines(run.Output);
        const int depth = c.Go[9] - '0';
        for (int d = 1; d <= depth; ++d) {
            // The last lines of iteration d: 1 to k in order.
            std::vector<InfoLine> last;
            for (const auto& line : lines)
                if (line.Depth == d) last.push_back(line);
            ASSERT_GE(static_cast<int>(last.size()), c.Lines) << c.Go << " depth " << d << "\n" << run.Output;
            last.erase(last.begin(), last.end() - c.Lines);
            std::set<std::string> first;
            for (int i = 0; i < c.Lines; ++i) {
                EXPECT_EQ(last[i].Index, i + 1) << c.Go << "\n" << run.Output;
                first.insert(last[i].Pv[0]);
                if (!c.Only.empty()) {
                    EXPECT_TRUE(c.Only.count(last[i].Pv[0])) << last[i].Pv[0];
                }
                EXPECT_TRUE(Playable(c.Fen, "", last[i].Pv)) << c.Fen << " " << last[i].Pv[0];
                if (i > 0 && last[i].Score.rfind("cp", 0) == 0 && last[i - 1].Score.rfind("cp", 0) == 0) {
                    EXPECT_LE(std::stoi(last[i].Score.substr(3)), std::stoi(last[i - 1].Score.substr(3))) << run.Output;
                }
            }
            EXPECT_EQ(static_cast<int>(first.size()), c.Lines) << c.Go << "\n" << run.Output;
            if (d == depth) {
                const std::string ponder = last[0].Pv.size() > 1 ? " ponder " + last[0].Pv[1] : "";
                EXPECT_NE(run.Output.find("bestmove " + last[0].Pv[0] + ponder + "\n"), std::string::npos)
                    << run.Output;
            }
        }
    }
}

// Threads 1 in the four-copy program searches as the one-copy program does,
// node for node, and so does a search after "ucinewgame" and "Clear Hash"
// (in either order) in a program that has searched before: the table is
// emptied whole. Threads 2 and 3 search too.
TEST(Uci, ThreadsOneAndAClearedTableSearchAsAFreshOneCopyProgram) {
    const std::string position = "position fen r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 9\\n";
    const std::string start = "uci\\nsetoption name OwnBook value false\\n";
    const FedRun fresh = RunFed(CORVANE1_PATH, Feed(start + position + "go depth 7\\n") + "w 1 bestmove; " +
                                                   Feed("quit\\n"));
    const long long nodes = LastInfo(fresh.Output, "nodes");
    ASSERT_GT(nodes, 0) << fresh.Output;
    for (const char* clear : {"ucinewgame\\nsetoption name Clear Hash\\n", "setoption name Clear Hash\\nucinewgame\\n"}) {
        for (const char* program : {CORVANE1_PATH, CORVANE4_PATH}) {
            const FedRun run =
                RunFed(program, Feed(start + "setoption name Threads value 1\\n" + position + "go depth 6\\n") +
                                    "w 1 bestmove; " + Feed("position startpos moves e2e4\\ngo depth 6\\n") +
                                    "w 2 bestmove; " + Feed(std::string(clear) + position + "go depth 7\\n") +
                                    "w 3 bestmove; " + Feed("quit\\n"));
            EXPECT_EQ(LastInfo(run.Output, "nodes", run.Output.rfind("bestmove", run.Output.rfind("bestmove") - 1)),
                      nodes)
                << program << " " << clear;
        }
    }
    for (const char* threads : {"2", "3"}) {
        const FedRun run = RunFed(CORVANE4_PATH, Feed(start + "setoption name Threads value " + threads + "\\n" +
                                                      position + "go depth 6\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        ASSERT_EQ(BestMoves(run.Output).size(), 1u) << run.Output;
        EXPECT_EQ(run.Output.find("info string"), std::string::npos) << run.Output;
    }
}

// "go mate N" for each colour: the mate in 3 is found and played, and a
// search for a shorter mate that does not exist ends by itself after the
// iteration 2N + 3. A long mate is shown as a mate, never as centipawns.
TEST(Uci, GoMateAndMateScores) {
    const struct {
        std::string Fen, Move;
    } mates[] = {{"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", "f8c5"},
                 {"r1bq1b1r/ppp4p/2n3pn/3kp3/4N3/5Q2/PPPP1PPP/R1B1KB1R w KQ - 0 1", "f1c4"}};
    for (const auto& m : mates) {
        const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nposition fen " + m.Fen + "\\ngo mate 3\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        EXPECT_NE(run.Output.find("score mate 3 "), std::string::npos) << run.Output;
        ASSERT_EQ(BestMoves(run.Output).size(), 1u) << run.Output;
        EXPECT_EQ(BestMoves(run.Output)[0], m.Move) << run.Output;
        const FedRun shorter = RunFed(CORVANE1_PATH, Feed("uci\\nposition fen " + m.Fen + "\\ngo mate 2\\n") +
                                                         "w 1 bestmove; " + Feed("quit\\n"));
        ASSERT_EQ(BestMoves(shorter.Output).size(), 1u) << shorter.Output;
        EXPECT_EQ(InfoLines(shorter.Output).back().Depth, 7) << shorter.Output;
    }
    // Two rooks mate a bare king in seven moves, found at depth 12.
    const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nposition fen 8/8/8/4k3/8/8/8/KRR5 w - - 0 1\\ngo depth 12\\n") +
                                                 "w 1 bestmove; " + Feed("quit\\n"));
    EXPECT_NE(run.Output.find(" score mate 7 "), std::string::npos) << run.Output;
    for (const auto& line : InfoLines(run.Output)) {
        if (line.Score.rfind("cp", 0) == 0) {
            EXPECT_LT(std::abs(std::stoi(line.Score.substr(3))), 20000) << line.Score;
        }
    }
}

// Numbers an interface may send: a fraction, a negative clock or limit, a
// field without a number. Each "go" ends by itself with a legal move; the
// shortest search completes two iterations.
TEST(Uci, EveryGoWithALimitEndsByItself) {
    const auto legal = LegalAfter("", "e2e4 e7e5");
    const struct {
        const char* Go;
        int Deepest;           // deepest iteration shown, -1 any
        bool Complaint = false;  // an "info string" names a field
    } cases[] = {
        {"go wtime -100 btime 5000 winc 0 binc 0", 2},
        {"go wtime 2500.7 btime 3000", -1},
        {"go movetime -5", 2},
        {"go nodes -5", 2},
        {"go depth -1", 2},
        {"go depth 0", 2},
        {"go mate 0", 2},
        {"go mate -3", 2},
        {"go depth", 2, true},
        {"go depth nodes 100000000", 2, true},
        {"go movetime 1e3", 2, true},
        {"go wtime 99999999999999999999999 btime 1 depth 3", 3},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\nposition startpos "
                                                      "moves e2e4 e7e5\\n" + std::string(c.Go) + "\\n") +
                                                     "w 1 bestmove; " + Feed("quit\\n"));
        const auto best = BestMoves(run.Output);
        ASSERT_EQ(best.size(), 1u) << c.Go << "\n" << run.Output;
        EXPECT_TRUE(legal.count(best[0])) << c.Go << ": " << best[0];
        if (c.Deepest >= 0) {
            EXPECT_EQ(InfoLines(run.Output).back().Depth, c.Deepest) << c.Go << "\n" << run.Output;
        }
        EXPECT_EQ(Count(run.Output, std::regex("^info string go: a number expected", std::regex::multiline)),
                  c.Complaint ? 1 : 0)
            << c.Go << "\n" << run.Output;
    }
}

// Move Overhead is taken off the clock: 4 s less 1 s leaves the 3 s that
// the allotment keeps in reserve, so the engine moves after the shortest
// search. The options refuse values outside their ranges.
TEST(Uci, MoveOverheadAndOptionRanges) {
    const FedRun run = RunFed(
        CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\nsetoption name Move Overhead value 1000\\n"
                            "position startpos moves e2e4\\ngo wtime 4000 btime 4000\\n") +
                           "w 1 bestmove; " +
                           Feed("setoption name Move Overhead value 5001\\nsetoption name MultiPV value 0\\n"
                                "setoption name Threads value 2\\nsetoption name MultiPV value 65\\nisready\\n") +
                           "w 1 readyok; " + Feed("quit\\n"));
    ASSERT_EQ(BestMoves(run.Output).size(), 1u) << run.Output;
    EXPECT_EQ(InfoLines(run.Output).back().Depth, 2) << run.Output;
    EXPECT_EQ(Count(run.Output, std::regex("^info string (Move Overhead|MultiPV|Threads) takes a number from",
                                           std::regex::multiline)),
              4)
        << run.Output;
}

// The time shown counts from the "go" also after a "ponderhit", and the
// root move being searched is shown at most once a second after the first.
TEST(Uci, TimeCountsFromTheGoAndTheCurrentMoveIsShownOnceASecond) {
    const auto start = std::chrono::steady_clock::now();
    const FedRun run = RunFed(CORVANE1_PATH, Feed("uci\\nsetoption name OwnBook value false\\nposition startpos moves "
                                                  "e2e4 e7e5\\ngo ponder movetime 2000\\n") +
                                                 "w 1 'info depth 6 '; sleep 1.2; " + Feed("ponderhit\\n") +
                                                 "w 1 bestmove; " + Feed("quit\\n"));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long long previous = 0;
    for (const auto& line : InfoLines(run.Output)) {
        EXPECT_GE(line.Time, previous) << run.Output;
        previous = line.Time;
    }
    const auto legal = LegalAfter("", "e2e4 e7e5");
    const std::regex current(R"(^info depth \d+ currmove (\S+) currmovenumber (\d+)$)", std::regex::multiline);
    int shown = 0;
    for (auto it = std::sregex_iterator(run.Output.begin(), run.Output.end(), current); it != std::sregex_iterator();
         ++it, ++shown) {
        EXPECT_TRUE(legal.count((*it)[1])) << (*it)[0];
        EXPECT_GE(std::stoi((*it)[2]), 1);
    }
    EXPECT_GE(shown, 1) << run.Output;
    EXPECT_LE(shown, static_cast<int>(seconds)) << run.Output;
}

}  // namespace
}  // namespace corvane
