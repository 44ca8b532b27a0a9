// corvane-tool bench: the figures the engine's speed and start-up goals are
// judged by.
//  - bench [DEPTH]: the search of 36 fixed positions to DEPTH (default 9),
//    each from a new table, with the nodes and time of each; the total node
//    count is the search's signature (tools/bench-signature);
//  - bench perft [DEPTH]: perft of the start position (default depth 6) on
//    one thread, in leaf nodes per second;
//  - bench eval: static evaluations per second over a few middle-game and
//    endgame positions (the positional stage always running), with a
//    checksum of their scores;
//  - bench startup: the start-up work of corvane4 (tables of four engine
//    copies, a 128 MB hash table allocated and cleared, the copies
//    attached, a new game);
//  - bench multipv [DEPTH]: the time to a depth with several best lines
//    (MultiPV 1, 2 and 4);
//  - bench hash: what a new hash size and emptying the table cost before
//    "readyok";
//  - bench threads [DEPTH] (bench_threads.cpp): the time to a depth of the
//    three programs.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/board/board.h"
#include "engine/copy.h"
#include "engine/board/perft.h"
#include "engine/eval/evaluate.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// The fixed positions of the search benchmark: openings, middlegames with
// tactics, endgames with passed pawns and promotions, positions in check,
// both sides to move.
constexpr const char* kSearchPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq - 0 5",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/2N2N2/PPPP1PPP/R1BQK2R w KQkq - 6 5",
    "2rq1rk1/pp1bppbp/2np1np1/8/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - - 0 11",
    "r1bqkbnr/pppp1ppp/2n5/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1",
    "2r3k1/pp3ppp/2n5/3q4/3P4/P1Q2N2/5PPP/2R3K1 b - - 0 1",
    "r2q1rk1/ppp2ppp/2np1n2/2b1p1B1/2B1P1b1/2NP1N2/PPP2PPP/R2Q1RK1 w - - 0 8",
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1",
    "8/8/1k6/8/2PK4/8/8/8 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - - 0 1",
    "8/8/8/4k3/8/8/3QK3/8 w - - 0 1",
    "8/5pk1/6p1/7p/P6P/6P1/5PK1/8 w - - 0 1",
    "8/P7/8/8/8/8/6k1/K7 w - - 0 1",
    "8/1P6/8/8/8/8/r5k1/K7 w - - 0 1",
    "1r6/P7/8/8/5k2/8/8/4K3 b - - 0 1",
    "r3k3/1P6/8/8/8/8/8/4K2R w Kq - 0 1",
    "4k3/4q3/8/8/8/8/4R3/4K3 w - - 0 1",
    "rnb1kbnr/pppp1ppp/8/4p3/7q/5P2/PPPPP1PP/RNBQKBNR w KQkq - 1 3",
    "r1bqkbnr/ppp2ppp/2np4/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4",
    "rnbqk1nr/pppp1ppp/8/4p3/1b1P4/8/PPPBPPPP/RN1QKBNR b KQkq - 2 3",
    "8/8/4k3/3n4/8/2N5/4K3/8 w - - 0 1",
    "6k1/6p1/6Pp/ppp5/3pn2P/1P3K2/1PP2P2/3N4 b - - 0 1",
};

constexpr int kDefaultSearchDepth = 9;

int SearchBench(int depth) {
    std::uint64_t totalNodes = 0;
    double totalSeconds = 0;
    int index = 0;
    for (const char* fen : kSearchPositions) {
        auto tool = LoadToolPosition(fen);
        if (!tool || !PrepareSearch(*tool)) return 1;
        Engine& e = tool->Copy;
        const auto start = std::chrono::steady_clock::now();
        SearchToDepth(*tool, depth, false);
        const double seconds = SecondsSince(start);
        const std::uint64_t nodes = e.NodeCount.load(std::memory_order_relaxed);
        const RootMove m = RootBestMove(e);
        char a[2], b[2];
        SquareName(tool->Front, m.From, a);
        SquareName(tool->Front, m.To, b);
        std::printf("position %2d nodes %10llu time %7.0f ms  best %c%c%c%c score %d\n", ++index,
                    static_cast<unsigned long long>(nodes), seconds * 1000.0, a[0], a[1], b[0], b[1],
                    static_cast<int>(e.BestScore) - ScoreLevel);
        totalNodes += nodes;
        totalSeconds += seconds;
        HashRelease(e);
    }
    const double ms = totalSeconds * 1000.0;
    std::printf("total nodes %llu time %.0f nps %.0f\n", static_cast<unsigned long long>(totalNodes), ms,
                totalSeconds > 0 ? totalNodes / totalSeconds : 0.0);
    return 0;
}

int PerftBench(int argc, char** argv) {
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
    return 0;
}

int EvaluationBench() {
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
            auto tool = LoadToolPosition(fen);
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
    return 0;
}

int StartupBench() {
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

// The time to a depth with several best lines: the search positions to
// DEPTH (default 8) with MultiPV 1, 2 and 4, each from a new table.
int MultiPvBench(int argc, char** argv) {
    long long depth = 8;
    if (argc >= 1 && (!ParseCount(argv[0], depth) || depth < 1 || depth > 40)) {
        std::printf("error: bench multipv takes a depth from 1 to 40\n");
        return 1;
    }
    double baseline = 0;
    for (const int lines : {1, 2, 4}) {
        std::uint64_t totalNodes = 0;
        double totalSeconds = 0;
        for (const char* fen : kSearchPositions) {
            auto tool = LoadToolPosition(fen);
            if (!tool || !PrepareSearch(*tool)) return 1;
            Engine& e = tool->Copy;
            e.MultiPv = static_cast<Byte>(lines);
            const auto start = std::chrono::steady_clock::now();
            SearchToDepth(*tool, static_cast<int>(depth), false);
            totalSeconds += SecondsSince(start);
            totalNodes += e.NodeCount.load(std::memory_order_relaxed);
            HashRelease(e);
        }
        if (lines == 1) baseline = totalSeconds;
        std::printf("multipv %d depth %lld: nodes %llu time %.0f ms, %.2f times multipv 1\n", lines, depth,
                    static_cast<unsigned long long>(totalNodes), totalSeconds * 1000.0,
                    baseline > 0 ? totalSeconds / baseline : 0.0);
    }
    return 0;
}

// What "setoption name Hash" costs before "readyok": a table of 16, 128 and
// 1024 units for four copies (allocated, the random numbers placed, the
// other copies attached), and emptying the largest ("Clear Hash").
int HashBench() {
    auto copies = std::make_unique<Engine[]>(4);
    InitTables(copies[0]);
    for (int k = 1; k < 4; ++k) InitTablesAttached(copies[k]);
    copies[0].CopyNumber = 1;
    if (!HashAllocate(copies[0], 1, true)) return 1;
    for (const Word units : {16, 128, 1024}) {
        const auto start = std::chrono::steady_clock::now();
        if (!HashResize(copies[0], units, true)) {
            std::printf("hash %u: not enough memory\n", static_cast<unsigned>(units));
            return 1;
        }
        for (int k = 1; k < 4; ++k) HashAttach(copies[k], copies[0], units);
        std::printf("hash %4u: %.1f ms\n", static_cast<unsigned>(units), SecondsSince(start) * 1000.0);
    }
    // Touch every line, as a long search would, before emptying it.
    for (std::uint32_t b = 0; b < copies[0].HashSlots; b += 3) HashSlot(copies[0], b).Info.store(1);
    const auto start = std::chrono::steady_clock::now();
    HashEmpty(copies[0], true);
    std::printf("clear hash 1024: %.1f ms\n", SecondsSince(start) * 1000.0);
    HashRelease(copies[0]);
    return 0;
}

int BenchCommand(int argc, char** argv) {
    if (argc >= 1 && std::strcmp(argv[0], "perft") == 0) return PerftBench(argc - 1, argv + 1);
    if (argc >= 1 && std::strcmp(argv[0], "eval") == 0) return EvaluationBench();
    if (argc >= 1 && std::strcmp(argv[0], "startup") == 0) return StartupBench();
    if (argc >= 1 && std::strcmp(argv[0], "threads") == 0) return ThreadBench(argc - 1, argv + 1);
    if (argc >= 1 && std::strcmp(argv[0], "multipv") == 0) return MultiPvBench(argc - 1, argv + 1);
    if (argc >= 1 && std::strcmp(argv[0], "hash") == 0) return HashBench();
    long long depth = kDefaultSearchDepth;
    if (argc >= 1 && (!ParseCount(argv[0], depth) || depth < 1 || depth > 40)) {
        std::printf("error: bench takes a depth from 1 to 40, or perft [DEPTH], eval, startup, threads [DEPTH], "
                    "multipv [DEPTH] or hash\n");
        return 1;
    }
    return SearchBench(static_cast<int>(depth));
}

}  // namespace corvane
