// corvane-tool bench [DEPTH]: prints the figures the engine's speed and
// start-up goals are judged by.
//  - perft of the start position (default depth 6) on one thread, in leaf
//    nodes per second;
//  - static evaluations per second over a few middle-game and endgame
//    positions (the positional stage always running);
//  - the start-up work of corvane4 (tables of four engine copies, a 128 MB
//    hash table allocated and cleared, the copies attached, a new game).
#include <chrono>
#include <cstdio>
#include <memory>

#include "engine/board/board.h"
#include "engine/board/perft.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int BenchCommand(int argc, char** argv) {
    long long depth = 6;
    if (argc >= 1 && (!ParseCount(argv[0], depth) || depth < 1 || depth > 8)) {
        std::printf("error: the depth must be a whole number from 1 to 8\n");
        return 1;
    }

    {
        auto tool = std::make_unique<ToolContext>();
        InitToolContext(*tool);
        Engine& e = tool->Copy;
        const Byte ply = PerftRoot(e);
        const auto start = std::chrono::steady_clock::now();
        const std::uint64_t leaves = Perft(e, ply, static_cast<int>(depth));
        const double seconds = SecondsSince(start);
        std::printf("perft start position depth %lld: %llu leaves in %.3f s, %.2f million leaves/s\n", depth,
                    static_cast<unsigned long long>(leaves), seconds, leaves / seconds / 1e6);
    }

    {
        const char* positions[] = {
            "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
            "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
            "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        };
        constexpr int kRounds = 250000;
        std::uint64_t evaluations = 0;
        std::uint32_t sum = 0;
        double seconds = 0;
        for (const char* fen : positions) {
            auto tool = LoadToolPosition(fen, false);
            if (!tool) return 1;
            Engine& e = tool->Copy;
            PrepareEvaluation(e, ScoreLevel, ScoreLevel);
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kRounds; ++i) sum += Evaluate(e);
            seconds += SecondsSince(start);
            evaluations += kRounds;
        }
        std::printf("evaluation: %llu calls in %.3f s, %.2f million evaluations/s (checksum %u)\n",
                    static_cast<unsigned long long>(evaluations), seconds, evaluations / seconds / 1e6, sum);
    }

    {
        const auto start = std::chrono::steady_clock::now();
        auto copies = std::make_unique<Engine[]>(4);
        auto front = std::make_unique<FrontEnd>();
        InitFrontEnd(*front, copies.get(), 4, stdout);
        InitTables(copies[0]);
        for (int k = 1; k < 4; ++k) InitTablesAttached(copies[k]);
        if (!HashAllocate(copies[0], 128, true)) {
            std::printf("start-up: the 128 MB hash table could not be allocated\n");
            return 1;
        }
        for (int k = 1; k < 4; ++k) HashAttach(copies[k], copies[0], 128);
        StartNewGame(*front, 1);
        const double seconds = SecondsSince(start);
        std::printf("start-up of four engine copies with a 128 MB hash table: %.1f ms\n", seconds * 1000.0);
        HashRelease(copies[0]);
    }
    return 0;
}

}  // namespace corvane
