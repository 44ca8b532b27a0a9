// End-to-end: the real programs run with scripted standard input in a
// temporary working directory, their output compared exactly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scratch_path.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    std::string Output;
    int ExitCode = -1;
};

// Runs `program` in a fresh directory with `input` on standard input.
// `config`, when given, becomes the configuration file; `limit` is a shell
// prefix such as a ulimit.
ProgramRun RunProgram(const std::string& program, const std::string& input, const std::string* config = nullptr,
               const std::string& limit = "") {
    const fs::path dir = ScratchPath("corvane_e2e_");
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "input.txt", std::ios::binary) << input;
    if (config) std::ofstream(dir / "Corvaconfig.ini", std::ios::binary) << *config;
    const std::string command = "cd \"" + dir.string() + "\" && " + limit + "\"" + program +
                                "\" < input.txt > output.txt 2>&1";
    const int status = std::system(command.c_str());
    ProgramRun run;
#if defined(_WIN32)
    run.ExitCode = status;
#else
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    std::ifstream in(dir / "output.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    run.Output = text.str();
    fs::remove_all(dir);
    return run;
}

const std::string kStartPicture =
    "rnbqkbnr\n"
    "pppppppp\n"
    "////////\n"
    "////////\n"
    "////////\n"
    "////////\n"
    "PPPPPPPP\n"
    "RNBQKBNR  <-- white\n";

const std::string kBanner = "Corvane chess 1.4 by the CorvaneChess team, 2026\n";

const char* const kPrograms[] = {CORVANE4_PATH, CORVANE2_PATH, CORVANE1_PATH};

TEST(Program, StartsShowsTheBoardAndQuitsInEveryBuild) {
    for (const char* program : kPrograms) {
        const ProgramRun run = RunProgram(program, "quit\n");
        EXPECT_EQ(run.ExitCode, 0) << program;
        EXPECT_EQ(run.Output, kBanner + "128MB\n" + kStartPicture + "oops\n") << program;
    }
}

TEST(Program, RefusesAnIllegalMoveWithOops) {
    const ProgramRun run = RunProgram(CORVANE1_PATH, "e2e5\nquit\n");
    EXPECT_EQ(run.Output, kBanner + "128MB\n" + kStartPicture + "oops\n" + kStartPicture + "oops\n");
}

TEST(Program, FoolsMateEndsTheGame) {
    const ProgramRun run = RunProgram(CORVANE4_PATH, "f2f3\ne7e5\ng2g4\nd8h4\ne2e4\nquit\n");
    const std::string mated =
        "rnb/kbnr\n"
        "pppp/ppp\n"
        "////////\n"
        "////p///\n"
        "//////Pq\n"
        "/////P//\n"
        "PPPPP//P\n"
        "RNBQKBNR\n";
    const std::string expected_tail = "0-1 Checkmate suckah! Black wins!\n" + mated + "End of the game.\n" + mated +
                                      "End of the game.\n";
    ASSERT_GE(run.Output.size(), expected_tail.size());
    EXPECT_EQ(run.Output.substr(run.Output.size() - expected_tail.size()), expected_tail);
    EXPECT_EQ(run.ExitCode, 0);
}

TEST(Program, TheEngineAsWhiteAfterNewStillNamesTheRealWinner) {
    // After "new" at the console the engine holds White (the position is
    // held rotated); the moves of both sides are typed in force mode.
    const ProgramRun run = RunProgram(CORVANE2_PATH, "new\nf2f3\ne7e5\ng2g4\nd8h4\nquit\n");
    EXPECT_NE(run.Output.find("0-1 Checkmate suckah! Black wins!\n"), std::string::npos) << run.Output;
}

TEST(Program, ThreefoldRepetitionStalemateAndMaterial) {
    const ProgramRun rep = RunProgram(CORVANE1_PATH, "g1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\nquit\n");
    EXPECT_NE(rep.Output.find("1/2-1/2 Threefold repetition!\n"), std::string::npos) << rep.Output;

    const ProgramRun stale = RunProgram(CORVANE1_PATH, "setboard 7k/8/5K2/6Q1/8/8/8/8 w - - 0 1\ng5g6\nquit\n");
    EXPECT_NE(stale.Output.find("1/2-1/2 Stalemate!\n"), std::string::npos) << stale.Output;

    const ProgramRun material = RunProgram(CORVANE1_PATH, "setboard 4k3/8/8/8/8/2n5/1B6/4K3 w - - 0 1\nb2c3\nquit\n");
    EXPECT_NE(material.Output.find("1/2-1/2 Insufficient material!\n"), std::string::npos) << material.Output;
}

TEST(Program, PicturesAfterFlipAndOtbop) {
    const std::string turned =
        "RNBKQBNR  <-- white\n"
        "PPPPPPPP\n"
        "////////\n"
        "////////\n"
        "////////\n"
        "////////\n"
        "pppppppp\n"
        "rnbkqbnr\n";
    const ProgramRun flip = RunProgram(CORVANE1_PATH, "flip\nquit\n");
    EXPECT_EQ(flip.Output, kBanner + "128MB\n" + kStartPicture + "oops\n" + turned + "oops\n");
    const ProgramRun otbop = RunProgram(CORVANE1_PATH, "otbop\nquit\n");
    EXPECT_EQ(otbop.Output, kBanner + "128MB\n" + kStartPicture + "oops\n" + turned + "oops\n");
}

TEST(Program, XboardModeAnnouncesFeaturesAndDropsTheBoard) {
    // The line "xboard" itself is still tried as a move at the console.
    const ProgramRun run = RunProgram(CORVANE1_PATH, "xboard\nprotover 2\ne2e5\nforce\nf2f3\ne7e5\ng2g4\nd8h4\nquit\n");
    EXPECT_EQ(run.Output, kBanner + "128MB\n" + kStartPicture + "oops\n" +
                              "feature myname=\"Corvane 1.4\"\n"
                              "feature setboard=1\n"
                              "feature analyze=0\n"
                              "feature done=1\n"
                              "0-1 {Checkmate suckah! Black wins!}\n"
                              "End of the game.\n");
}

TEST(Program, ConfigurationFileSetsTheHashSize) {
    const std::string config = "* hash table size in MB\n256\n";
    const ProgramRun run = RunProgram(CORVANE4_PATH, "quit\n", &config);
    EXPECT_EQ(run.Output.substr(0, kBanner.size() + 6), kBanner + "256MB\n");
}

TEST(Program, LongLinesAreCutAndTheirRestDropped) {
    // A line whose cut-off rest would be a move if it were read as a line
    // of its own.
    const std::string line = std::string(255, 'x') + "e2e4";
    const ProgramRun run = RunProgram(CORVANE1_PATH, line + "\nquit\n");
    EXPECT_EQ(run.Output, kBanner + "128MB\n" + kStartPicture + "oops\n" + kStartPicture + "oops\n");
}

TEST(Program, EndOfInputEndsTheProgram) {
    const ProgramRun run = RunProgram(CORVANE4_PATH, "e2e4");  // no line end, then end of input
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_NE(run.Output.find("  <-- black"), std::string::npos) << run.Output;
}

TEST(Program, RefusedSetboardKeepsThePosition) {
    const ProgramRun run = RunProgram(CORVANE1_PATH, "force\nsetboard 8/8/8/8/8/8/8/8 w - - 0 1\nquit\n");
    EXPECT_NE(run.Output.find("Error (illegal position): setboard 8/8/8/8/8/8/8/8 w - - 0 1\n" + kStartPicture),
              std::string::npos)
        << run.Output;
}

#if !defined(_WIN32)
TEST(Program, FallsBackToASmallerHashTableWhenMemoryIsShort) {
#if defined(CORVANE_SANITIZED)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#endif
    // With the address space limited to about 400 MB, 1024 units (1 GB)
    // cannot be had; the program halves the size until it fits and shows it.
    const std::string config = "1024\n";
    const ProgramRun run = RunProgram(CORVANE1_PATH, "quit\n", &config, "ulimit -v 400000 && ");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output.substr(0, kBanner.size() + 6), kBanner + "256MB\n") << run.Output;
}
#endif

}  // namespace
