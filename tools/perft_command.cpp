// corvane-tool perft "FEN" DEPTH [divide] [flipped]
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/board/perft.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

int PerftCommand(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: corvane-tool perft \"FEN\" DEPTH [divide] [flipped]\n");
        return 2;
    }
    long long depth = 0;
    if (!ParseCount(argv[1], depth) || depth > 20) {
        std::printf("error: the depth must be a whole number from 0 to 20\n");
        return 1;
    }
    bool divide = false;
    bool flipped = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "divide") == 0) divide = true;
        else if (std::strcmp(argv[i], "flipped") == 0) flipped = true;
        else {
            std::printf("error: unknown option %s (divide or flipped expected)\n", argv[i]);
            return 1;
        }
    }

    auto tool = LoadToolPosition(argv[0]);
    if (!tool) return 1;
    if (flipped) FlipSides(tool->Front);

    Engine& e = tool->Copy;
    if (!divide) {
        const Byte ply = PerftRoot(e);
        std::printf("%llu\n", static_cast<unsigned long long>(Perft(e, ply, static_cast<int>(depth))));
        return 0;
    }
    if (depth == 0) {
        std::printf("1\n");
        return 0;
    }
    auto entries = std::make_unique<PerftEntry[]>(1024);
    const int n = PerftDivide(e, static_cast<int>(depth), entries.get());
    std::uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
        const PerftEntry& entry = entries[i];
        char move[6];
        WriteMoveText(tool->Front, entry.From, entry.To, entry.Promotion, PromotionText::EveryPiece, move);
        std::printf("%llu %s\n", static_cast<unsigned long long>(entry.Count), move);
        total += entry.Count;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    return 0;
}

}  // namespace corvane
