// corvane-tool bench threads [DEPTH]: the time the one-, two- and four-copy
// engines take to complete a fixed iteration on a few positions, with their
// worker threads running as in the programs, and the speed-up ratios.
#include <chrono>
#include <cstdio>
#include <memory>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "frontend/frontend.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

namespace {

constexpr Word kBenchHashUnits = 128;
constexpr int kDefaultThreadDepth = 13;

constexpr const char* kThreadPositions[] = {
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rq1rk1/pp1bppbp/2np1np1/8/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - - 0 11",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
};

// The engine as a program of `copies` copies builds it, searching `fen`
// until copy 1 has completed iteration `depth`. Returns seconds and nodes.
bool TimeToDepth(int copies, const char* fen, int depth, double& seconds, std::uint64_t& nodes) {
    auto engines = std::make_unique<Engine[]>(copies);
    auto front = std::make_unique<FrontEnd>();
    FrontEnd& fe = *front;
    std::FILE* sink = std::tmpfile();
    InitFrontEnd(fe, engines.get(), copies, sink ? sink : stdout);
    InitTables(engines[0]);
    for (int k = 1; k < copies; ++k) InitTablesAttached(engines[k]);
    if (!HashAllocate(engines[0], kBenchHashUnits, copies > 1)) return false;
    HashTouch(engines[0]);
    for (int k = 1; k < copies; ++k) HashAttach(engines[k], engines[0], kBenchHashUnits);
    StartNewGame(fe, 1);
    char line[LineCapacity];
    std::snprintf(line, sizeof line, "setboard %s", fen);
    if (!SetBoard(fe, line)) return false;
    if (engines[0].GameTurn == TurnOpponent) FlipSides(fe);
    StartWorkers(fe);

    const auto start = std::chrono::steady_clock::now();
    RunWorkers(fe);
    Engine& first = engines[0];
    do {
        SearchStep(first);
        PublishLeadDepth(fe);
    } while (!(first.IterationDone == 1 && CurrentDepth(first) > depth));
    StopWorkers(fe);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    nodes = TotalNodes(fe);
    EndWorkers(fe);
    HashRelease(engines[0]);
    if (sink) std::fclose(sink);
    return true;
}

}  // namespace

int ThreadBench(int argc, char** argv) {
    long long depth = kDefaultThreadDepth;
    if (argc >= 1 && (!ParseCount(argv[0], depth) || depth < 1 || depth > 40)) {
        std::printf("error: bench threads takes a depth from 1 to 40\n");
        return 1;
    }
    const int programs[3] = {1, 2, 4};
    double total[3] = {0, 0, 0};
    int index = 0;
    for (const char* fen : kThreadPositions) {
        ++index;
        double seconds[3];
        for (int k = 0; k < 3; ++k) {
            std::uint64_t nodes = 0;
            if (!TimeToDepth(programs[k], fen, static_cast<int>(depth), seconds[k], nodes)) {
                std::printf("error: position %d could not be set up\n", index);
                return 1;
            }
            total[k] += seconds[k];
            std::printf("position %d corvane%d depth %lld: %.2f s, %llu nodes\n", index, programs[k], depth, seconds[k],
                        static_cast<unsigned long long>(nodes));
        }
        std::printf("position %d speed-up to depth: corvane2 %.2f, corvane4 %.2f (over corvane1)\n", index,
                    seconds[0] / seconds[1], seconds[0] / seconds[2]);
    }
    std::printf("total time to depth %lld: corvane1 %.2f s, corvane2 %.2f s, corvane4 %.2f s; speed-up corvane2 %.2f, "
                "corvane4 %.2f\n",
                depth, total[0], total[1], total[2], total[0] / total[1], total[0] / total[2]);
    return 0;
}

}  // namespace corvane
