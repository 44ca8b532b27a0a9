// The engine playing: its own moves under the clock and under "sd", results
// at the console and under the protocol, lines that arrive while it thinks,
// pondering with a hit and a miss, and the programs ending cleanly while
// they think or ponder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "test_support.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace corvane {
namespace {

namespace fs = std::filesystem;

using test::Count;
using test::FedRun;
using test::RunFed;

const std::regex kMoveLine(R"(^move [a-h][1-8][a-h][1-8][rbn ]?$)", std::regex::multiline);

// Under the protocol the engine answers with legal "move" lines, prints no
// board, and no other line starts with "move".
TEST(Play, ProtocolGameWithDepthLimit) {
    const FedRun run = RunFed(CORVANE1_PATH,
                           "printf 'xboard\\nnew\\nsd 3\\ne2e4\\n'; w 1 '^move'; printf 'd2d4\\n'; w 2 '^move'; "
                           "printf 'quit\\n'");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("feature myname=\"Corvane 1.4\"\nfeature setboard=1\nfeature analyze=0\nfeature done=1\n"),
              std::string::npos);
    EXPECT_EQ(Count(run.Output, kMoveLine), 2) << run.Output;
    EXPECT_EQ(Count(run.Output, std::regex("^move", std::regex::multiline)), 2);
    EXPECT_EQ(run.Output.find("rnbqkbnr\n", run.Output.find("feature done=1")), std::string::npos);
    EXPECT_EQ(run.Output.find("oops", run.Output.find("feature done=1")), std::string::npos);
    // "sd 3" ends every search after its third iteration.
    EXPECT_EQ(Count(run.Output, std::regex("^4 ", std::regex::multiline)), 0);
    EXPECT_GT(Count(run.Output, std::regex("^3 ", std::regex::multiline)), 0);
}

// An interface that answers the engine's move the instant it is shown: each
// answer is played, none is lost while the engine is still making its move.
TEST(Play, AnAnswerSentTheMomentTheMoveIsShownIsPlayed) {
    std::string feed = "printf 'xboard\\nnew\\nsd 2\\n'; k=0; "
                       "for m in d2d4 c2c4 g1f3 b1c3 e2e3 f1d3 e1g1 a2a3; do printf \"$m\\n\"; k=$((k+1)); "
                       "n=0; until [ \"$(grep -c '^move' output.txt 2>/dev/null)\" -ge $k ] 2>/dev/null || [ $n -ge 20000 ]; "
                       "do sleep 0.005; n=$((n+1)); done; done; printf 'quit\\n'";
    // One search thread: the engine's replies, and so the game, are fixed.
    for (int round = 0; round < 3; ++round) {
        const FedRun run = RunFed(CORVANE1_PATH, feed);
        EXPECT_EQ(run.ExitCode, 0);
        ASSERT_EQ(Count(run.Output, kMoveLine), 8) << run.Output;
    }
}

// Each program plays a short game against itself under the protocol: every
// "go" makes it take the side to move and play a move, and the moves are
// legal for the side they are played for (a refused move would not be
// followed by the next one). It exits cleanly.
TEST(Play, EachProgramPlaysAShortGameAndExits) {
    for (const char* program : {CORVANE1_PATH, CORVANE2_PATH, CORVANE4_PATH}) {
        std::string feed = "printf 'xboard\\nnew\\nsd 3\\n'; ";
        for (int k = 1; k <= 8; ++k) feed += "printf 'go\\n'; w " + std::to_string(k) + " '^move'; ";
        feed += "printf 'quit\\n'";
        const FedRun run = RunFed(program, feed);
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_EQ(Count(run.Output, kMoveLine), 8) << program << "\n" << run.Output;
    }
}

// The engine mates: the result line in braces under the protocol, plain at
// the console, and the console then reports the end of the game.
TEST(Play, MateResultLines) {
    const std::string setup = "setboard 6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1";
    const FedRun xboard = RunFed(CORVANE1_PATH, "printf 'xboard\\n" + setup + "\\ngo\\n'; w 1 'End of the game'; printf 'quit\\n'");
    EXPECT_NE(xboard.Output.find("move a1a8\n1-0 {Checkmate suckah! White wins!}\n"), std::string::npos)
        << xboard.Output;
    const FedRun console =
        RunFed(CORVANE1_PATH, "printf '" + setup + "\\ngo\\n'; w 1 'End of the game'; printf 'quit\\n'");
    EXPECT_NE(console.Output.find("move a1a8\n1-0 Checkmate suckah! White wins!\n"), std::string::npos)
        << console.Output;
    EXPECT_NE(console.Output.find("End of the game."), std::string::npos);
}

// A position set up with the game already over ends the game at once, with
// its result line: "go" then finds nothing to play, where it used to offer
// a refused move on every pass without end.
TEST(Play, SetUpPositionWithTheGameOverEndsIt) {
    const struct {
        const char* Fen;
        const char* Result;
    } cases[] = {
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "1/2-1/2 {Stalemate!}"},
        {"R5k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1", "1-0 {Checkmate suckah! White wins!}"},
        {"6k1/5ppp/8/8/8/8/5PPP/r5K1 w - - 0 1", "0-1 {Checkmate suckah! Black wins!}"},
        {"8/8/4k3/8/8/3NK3/8/8 w - - 0 1", "1/2-1/2 {Insufficient material!}"},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, std::string("printf 'xboard\\nsetboard ") + c.Fen +
                                                     "\\ngo\\n'; w 2 'End of the game'; printf 'e2e4\\nquit\\n'");
        EXPECT_NE(run.Output.find(std::string(c.Result) + "\nEnd of the game.\n"), std::string::npos)
            << c.Fen << "\n" << run.Output;
        EXPECT_EQ(run.Output.find("move "), std::string::npos) << c.Fen << "\n" << run.Output;
        EXPECT_EQ(run.ExitCode, 0) << c.Fen;
    }
    // A position that goes on is set up as before.
    const FedRun run = RunFed(CORVANE1_PATH, "printf 'xboard\\nsetboard 7k/8/5Q2/6K1/8/8/8/8 b - - 0 1\\nsd 2\\ngo\\n'; "
                                             "w 1 '^move '; printf 'quit\\n'");
    EXPECT_EQ(Count(run.Output, kMoveLine), 1) << run.Output;
    EXPECT_EQ(run.Output.find("End of the game"), std::string::npos) << run.Output;
}

// A position set up with an en passant target keeps the capture for the
// next move, for either colour, typed at the console or under the protocol,
// and played by the engine itself on either side of the board. In the two
// forced positions the capture is the only legal move, and without the
// target the side to move is mated.
TEST(Play, EnPassantCaptureAfterASetUpPosition) {
    const std::string whiteOnly = "5r1k/8/2p5/1n1pP3/4K3/r7/8/8 w - d6 0 2";
    const std::string blackOnly = "8/8/R7/4k3/1N1Pp3/2P5/8/5R1K b - d3 0 2";
    const struct {
        std::string Feed;
        std::string Expected;  // a part of the output
        std::string Absent;    // must not appear
        int Oops = 1;  // "oops" lines: a line tried as a move at the console ("xboard" itself too)
    } cases[] = {
        // At the console: the typed capture, the board shows the pawn taken.
        {"printf 'setboard rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3\\ne5f6\\nquit\\n'",
         "ppp/p/pp\n/////P//\n///p////\n", "Error", 2},
        {"printf 'setboard rnbqkbnr/pppp1ppp/8/8/3PpP2/8/PPP1P1PP/RNBQKBNR b KQkq f3 0 3\\ne4f3\\nquit\\n'",
         "///P////\n/////p//\nPPP/P/PP\n", "Error", 2},
        // The engine takes the side to move and captures, as White (held
        // flipped) and as Black.
        {"printf 'xboard\\nsetboard " + whiteOnly + "\\ngo\\n'; w 1 '^move'; printf 'quit\\n'", "move e5d6\n", "Error"},
        {"printf 'xboard\\nsetboard " + blackOnly + "\\ngo\\n'; w 1 '^move'; printf 'quit\\n'", "move e4d3\n", "Error"},
        // The interface's side captures; the engine answers from the
        // position after it (had the capture been refused, "go" would make
        // the engine play it itself).
        {"printf 'xboard\\nsd 3\\nsetboard " + whiteOnly + "\\ne5d6\\ngo\\n'; w 1 '^move'; printf 'quit\\n'", "\nmove ",
         "move e5d6"},
        {"printf 'xboard\\nsd 3\\nsetboard " + blackOnly + "\\nflip\\ne4d3\\ngo\\n'; w 1 '^move'; printf 'quit\\n'",
         "\nmove ", "move e4d3"},
        // A target of the wrong rank, or none, is ignored: mate.
        {"printf 'xboard\\nsetboard 5r1k/8/2p5/1n1pP3/4K3/r7/8/8 w - d3 0 2\\nquit\\n'",
         "0-1 {Checkmate suckah! Black wins!}", "move"},
        {"printf 'xboard\\nsetboard 8/8/R7/4k3/1N1Pp3/2P5/8/5R1K b - - 0 2\\nquit\\n'",
         "1-0 {Checkmate suckah! White wins!}", "move"},
    };
    for (const auto& c : cases) {
        const FedRun run = RunFed(CORVANE1_PATH, c.Feed);
        EXPECT_EQ(run.ExitCode, 0) << c.Feed;
        EXPECT_NE(run.Output.find(c.Expected), std::string::npos) << c.Feed << "\n" << run.Output;
        EXPECT_EQ(run.Output.find(c.Absent), std::string::npos) << c.Feed << "\n" << run.Output;
        EXPECT_EQ(Count(run.Output, std::regex("^oops$", std::regex::multiline)), c.Oops) << c.Feed << "\n" << run.Output;
    }
}

// A line typed while the engine thinks stops the search once two iterations
// are complete: the engine moves, then the line takes effect. "quit" while
// thinking ends the program after the move, in every program.
TEST(Play, LineWhileThinkingAndQuitWhileThinking) {
    for (const char* program : {CORVANE1_PATH, CORVANE2_PATH, CORVANE4_PATH}) {
        const FedRun run = RunFed(program, "printf 'go\\nforce\\ne7e5\\nquit\\n'");
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_EQ(Count(run.Output, kMoveLine), 1) << run.Output;
        // "force" took effect after the move: e7e5 is played as Black's
        // reply, and "quit", tried as a move of the engine's side, is refused.
        // "go" itself was first tried as White's move.
        EXPECT_EQ(Count(run.Output, std::regex("^oops$", std::regex::multiline)), 2) << run.Output;
    }
}

// Pondering: the engine thinks on the predicted reply and stops at "quit".
TEST(Play, QuitWhilePondering) {
    for (const char* program : {CORVANE1_PATH, CORVANE4_PATH}) {
        const FedRun run = RunFed(program, "printf 'xboard\\nhard\\nnew\\nlevel 0 1 0\\ne2e4\\n'; w 1 'ponder started'; "
                                         "sleep 1; printf 'quit\\n'");
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_EQ(Count(run.Output, kMoveLine), 1) << run.Output;
        EXPECT_NE(run.Output.find("ponder started"), std::string::npos) << run.Output;
        EXPECT_NE(run.Output.find("ponder stopped"), std::string::npos) << run.Output;
    }
}

// In-process: a ponder hit carries the frozen ponder search over into the
// engine's own search; a miss starts afresh.
struct Ponder {
    test::Game Game{1};
    Engine& E = Game.First();
    FrontEnd& F = *Game.Front;
    Ponder() {
        EXPECT_TRUE(HashAllocate(E, 2, false));
        StartNewGame(F, 1);
        F.BookActive = 0;
        F.ForceMode = 0;
        F.PonderEnabled = 1;
        F.MaxDepth = 4;
        F.EngineClock = 4294967295u;
        F.LineReady.store(0);
        FlipSides(F);  // the engine has White and the move
    }
    ~Ponder() { HashRelease(E); }
    std::string Output() {
        std::fflush(Game.Sink);
        std::rewind(Game.Sink);
        std::string text;
        for (int c = std::fgetc(Game.Sink); c != EOF; c = std::fgetc(Game.Sink)) text += static_cast<char>(c);
        return text;
    }
};

TEST(Play, PonderHitCarriesTheSearchOverAndAMissStartsAfresh) {
    for (bool hit : {true, false}) {
        Ponder p;
        SearchTurn(p.F);
        ApplyGameMove(p.F, 0);
        ASSERT_EQ(p.F.PonderState, 2);
        ASSERT_NE(p.F.PonderMove[0], NoPonderMove);
        PonderTurn(p.F);
        EXPECT_GT(CurrentDepth(p.E), 4);  // pondered until the depth limit
        // The opponent's reply: the predicted one, or another legal move.
        char from[2], to[2];
        SquareName(p.F, p.F.PonderMove[0], from);
        SquareName(p.F, p.F.PonderMove[1], to);
        std::string reply{from[0], from[1], to[0], to[1]};
        if (!hit) reply = reply == "a7a6" ? "h7h6" : "a7a6";
        std::snprintf(p.F.WorkLine, LineCapacity, "%s", reply.c_str());
        ApplyGameMove(p.F, 1);
        ASSERT_EQ(p.E.GameTurn, TurnEngine) << reply;
        PonderHitTest(p.F);
        EXPECT_EQ(p.F.PonderState, hit ? 1 : 0);
        const std::size_t before = p.Output().size();
        SearchTurn(p.F);
        const std::string after = p.Output().substr(before);
        // A carried-over search shows its lines from the pondered depth on;
        // a fresh one starts again at iteration 2.
        EXPECT_EQ(after.rfind("2   ", 0) == 0, !hit) << after;
        EXPECT_EQ(Count(after, kMoveLine), 1) << after;
        ApplyGameMove(p.F, 0);
        EXPECT_EQ(p.E.GameTurn, TurnOpponent);
    }
}

}  // namespace
}  // namespace corvane
