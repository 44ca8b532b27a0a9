// UCI mode through the real programs: scripted sessions whose output is
// checked line by line, with every "bestmove" checked against the legal
// moves of the position the session built (computed in-process).
#include <gtest/gtest.h>

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
        const FedRun run = RunFed(program, Feed("uci\\nisready\\nquit\\n"));
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_NE(run.Output.find("id name Corvane 1.4\n"
                                  "id author the CorvaneChess team\n"
                                  "option name Hash type spin default 16 min 1 max 1024\n"
                                  "option name Ponder type check default false\n"
                                  "option name Clear Hash type button\n"
                                  "option name OwnBook type check default true\n"
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
        {"go wtime 1000 btime 100000", 1, -1, -1},
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

}  // namespace
}  // namespace corvane
