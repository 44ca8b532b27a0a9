// The developer tool as a user runs it: output and exit codes of perft and eval.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

struct ToolRun {
    std::string Output;
    int ExitCode = -1;
};

// Runs the tool with `arguments`; its error output is kept too unless
// `errors` is false.
ToolRun RunTool(const std::string& arguments, bool errors = true) {
    const std::string command =
        std::string("\"") + CORVANE_TOOL_PATH + "\" " + arguments + (errors ? " 2>&1" : " 2>/dev/null");
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, n);
    const int status = pclose(pipe);
#if defined(_WIN32)
    run.ExitCode = status;
#else
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

TEST(ToolPerft, CountsDividesAndFlips) {
    const std::string start = "\"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\"";
    ToolRun run = RunTool("perft " + start + " 3");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Output, "8902\n");

    run = RunTool("perft " + start + " 2 divide flipped");
    EXPECT_EQ(run.ExitCode, 0);
    // Held rotated, the engine generates from its own first row: h1 to a1.
    EXPECT_EQ(run.Output.substr(0, 16), "20 g1f3\n20 g1h3\n") << run.Output;
    EXPECT_NE(run.Output.find("20 e2e4\n"), std::string::npos);
    EXPECT_EQ(run.Output.substr(run.Output.size() - 4), "400\n");

    // Promotions are listed once per piece.
    run = RunTool("perft \"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1\" 1 divide");
    EXPECT_NE(run.Output.find("1 b7b8q\n1 b7b8r\n1 b7b8b\n1 b7b8n\n"), std::string::npos) << run.Output;
}

TEST(ToolPerft, RefusesWhatItCannotUseInOneLine) {
    const char* bad[] = {
        "perft \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1\" 2",     // seven ranks
        "perft \"rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1\" 2",  // nine squares
        "perft \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x - - 0 1\" 2",  // side
        "perft \"8/8/8/8/8/8/8/8 w - - 0 1\" 2",                            // no kings
        "perft \"4k3/8/8/8/8/8/8/4K3 w - e4 0 1\" 2",                       // en passant square
        "perft \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" x",                        // depth
    };
    for (const char* arguments : bad) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.ExitCode, 1) << arguments;
        EXPECT_EQ(run.Output.rfind("error: ", 0), 0u) << arguments << ": " << run.Output;
        EXPECT_EQ(run.Output.find('\n'), run.Output.size() - 1) << run.Output;
    }
}

TEST(ToolEval, PrintsScoreAndSignatures) {
    EXPECT_EQ(RunTool("eval \"r3k3/ppp5/8/8/8/8/1PPP4/4K3 b - - 0 1\"").Output,
              "raw 33378\nwhite centipawns -610\nblack signature 32\nwhite signature 0\n");
    // White to move: ply 2; both bounds far below the score skip the positional stage.
    const ToolRun run = RunTool("eval \"r3k3/ppp5/8/8/8/8/1PPP4/4K3 w - - 0 1\" 20000 20000");
    EXPECT_EQ(run.Output, "raw 33364\nwhite centipawns -596\nblack signature 32\nwhite signature 0\n");
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(RunTool("eval \"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\"").Output,
              "raw 32768\nwhite centipawns 0\nblack signature 1092\nwhite signature 1092\n");
}

TEST(ToolEval, RefusesBadInput) {
    const char* bad[] = {
        "eval \"8/8/8/8/8/8/8/8 w - - 0 1\"",               // no kings
        "eval \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" 100 65536",  // bound out of range
        "eval \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" -5 100",
    };
    for (const char* arguments : bad) {
        const ToolRun run = RunTool(arguments);
        EXPECT_EQ(run.ExitCode, 1) << arguments;
        EXPECT_EQ(run.Output.rfind("error: ", 0), 0u) << arguments << ": " << run.Output;
        EXPECT_EQ(run.Output.find('\n'), run.Output.size() - 1) << run.Output;
    }
    // One bound without the other is a usage error: nothing on standard output.
    const ToolRun usage = RunTool("eval \"4k3/8/8/8/8/8/8/4K3 w - - 0 1\" 100", false);
    EXPECT_EQ(usage.ExitCode, 2);
    EXPECT_EQ(usage.Output, "");
}

}  // namespace
