// corvane-tool: developer commands around the engine (perft, eval, bench).
#include <cstdio>
#include <cstring>

#include "tools/tool_commands.h"

namespace {

struct Command {
    const char* Name;
    int (*Run)(int, char**);
    const char* Usage;
};

constexpr Command kCommands[] = {
    {"perft", corvane::PerftCommand, "perft \"FEN\" DEPTH [divide] [flipped]   count the legal move tree"},
    {"eval", corvane::EvalCommand, "eval \"FEN\" [BOUND_PARENT BOUND_CURRENT]  static evaluation of a position"},
    {"search", corvane::SearchCommand, "search \"FEN\" DEPTH                       search a position to a fixed depth"},
    {"bench", corvane::BenchCommand, "bench [DEPTH]                            perft speed and start-up time"},
};

void Usage() {
    std::fprintf(stderr, "usage: corvane-tool COMMAND ...\n");
    for (const Command& c : kCommands) std::fprintf(stderr, "  corvane-tool %s\n", c.Usage);
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
