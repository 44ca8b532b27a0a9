// corvane-tool: developer commands around the engine (perft, eval, bench).
#include <cstdio>
#include <cstring>

#include "tools/tool_commands.h"

namespace {

struct Command {
    const char* Name;
    int (*Run)(int, char**);
};

constexpr Command kCommands[] = {
    {"perft", corvane::PerftCommand},
    {"eval", corvane::EvalCommand},
    {"search", corvane::SearchCommand},
    {"bench", corvane::BenchCommand},
};

// One line for each form of each command.
constexpr const char* kUsage[] = {
    "perft \"FEN\" DEPTH [divide] [flipped]     count the legal move tree",
    "eval \"FEN\" [BOUND_PARENT BOUND_CURRENT]  static evaluation of a position",
    "search \"FEN\" DEPTH                       search a position to a fixed depth",
    "bench [DEPTH]                            search speed and signature (depth 9)",
    "bench perft [DEPTH]                      perft speed from the start position (depth 6)",
    "bench eval                               evaluation speed",
    "bench startup                            start-up time of four copies and a 128 MB table",
    "bench threads [DEPTH]                    time to a depth with one, two and four copies (depth 13)",
    "bench multipv [DEPTH]                    time to a depth with MultiPV 1, 2 and 4 (depth 8)",
    "bench hash                               time of a new hash size (16, 128, 1024) and of emptying it",
};

void Usage() {
    std::fprintf(stderr, "usage: corvane-tool COMMAND ...\n");
    for (const char* line : kUsage) std::fprintf(stderr, "  corvane-tool %s\n", line);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    for (const Command& c : kCommands)
        if (std::strcmp(argv[1], c.Name) == 0) return c.Run(argc - 2, argv + 2);
    std::fprintf(stderr, "corvane-tool: unknown command %s\n", argv[1]);
    Usage();
    return 2;
}
