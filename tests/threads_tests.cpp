// The search threads: copies attached to copy 1's table hold its key tables
// and find each other's entries; workers start, search, stop and end on the
// run/busy handshake; a stopped worker keeps its tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "test_support.h"

namespace corvane {
namespace {

// Four engine copies built and attached as the four-copy program does it.
struct FourCopies {
    std::unique_ptr<Engine[]> E = std::make_unique<Engine[]>(4);
    std::unique_ptr<FrontEnd> F = std::make_unique<FrontEnd>();
    std::FILE* Sink = std::tmpfile();
    FourCopies() {
        InitFrontEnd(*F, E.get(), 4, Sink);
        InitTables(E[0]);
        for (int k = 1; k < 4; ++k) InitTablesAttached(E[k]);
        EXPECT_TRUE(HashAllocate(E[0], 2, true));
        for (int k = 1; k < 4; ++k) HashAttach(E[k], E[0], 2);
        StartNewGame(*F, 1);
    }
    ~FourCopies() {
        HashRelease(E[0]);
        std::fclose(Sink);
    }
};

// The copies take copy 1's random numbers through the table: identical key
// tables, identical keys for a position, and an entry stored by one copy is
// found by another.
TEST(Threads, AttachedCopiesShareKeysAndEntries) {
    FourCopies c;
    for (int k = 1; k < 4; ++k) {
        EXPECT_TRUE(std::equal(&c.E[k].KeyTableA[0][0], &c.E[k].KeyTableA[0][0] + 17 * BoardCells,
                               &c.E[0].KeyTableA[0][0]));
        EXPECT_TRUE(std::equal(&c.E[k].KeyTableB[0][0], &c.E[k].KeyTableB[0][0] + 17 * BoardCells,
                               &c.E[0].KeyTableB[0][0]));
        EXPECT_EQ(c.E[k].HashSlots, c.E[0].HashSlots);
        EXPECT_EQ(c.E[k].KeyA[0], c.E[0].KeyA[0]);
        EXPECT_EQ(c.E[k].KeyB[0], c.E[0].KeyB[0]);
    }
    // Copy 2 stores the start position at ply 3 with the move g8f6.
    Engine& writer = c.E[1];
    Engine& reader = c.E[3];
    for (Engine* e : {&writer, &reader}) {
        for (int x = 0; x < BoardCells; ++x) e->Board[x] = e->GameBoard[x];
        e->PlyFlags[3] = 240;
        e->HalfMoveClock[3] = 0;
        ComputeKeys(*e, 3);
    }
    EXPECT_EQ(writer.KeyA[3], reader.KeyA[3]);
    writer.MoveFrom[3][0] = 54;
    writer.MoveTo[3][0] = 85;
    writer.MoveExtra[3][0] = 0;
    writer.BestIndex[3] = 0;
    writer.PlyValue[3] = 33000;
    writer.PlyBound[1] = 32000;
    writer.PlyBound[2] = 34000;
    writer.PlyDepth[3] = 8 * 3 + 40;
    HashStore(writer, 3);
    reader.PlyDepth[3] = 8 * 3 + 8;
    EXPECT_EQ(HashProbe(reader, 3), 2);
    EXPECT_EQ(reader.PlyValue[3], 33000);
    EXPECT_EQ(reader.HashFrom, 54);
    EXPECT_EQ(reader.HashTo, 85);
}

// The workers search their copies while their run flags are set and are
// outside their search steps once StopWorkers returns; a stopped worker keeps
// its tree and goes on with it when it runs again. The nodes shown are the
// sum over all copies. At the end every worker has left its loop.
TEST(Threads, WorkersRunStopKeepTheirTreesAndEnd) {
    FourCopies c;
    FrontEnd& fe = *c.F;
    char line[] = "setboard r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R b KQ - 0 8";
    ASSERT_TRUE(SetBoard(fe, line));
    StartWorkers(fe);
    RunWorkers(fe);
    for (int step = 0; step < 40; ++step) {
        RunSearchStep(c.E[0], 0, 5000);
        PublishLeadDepth(fe);
    }
    // Let the workers have some time too, whatever the machine's load.
    for (int wait = 0; wait < 2000 && c.E[3].NodeCount.load() < 1000; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopWorkers(fe);
    for (int k = 0; k < MaxWorkers; ++k) EXPECT_EQ(fe.WorkerBusy[k].load(), 0);
    std::uint64_t nodes[4];
    Word depths[4];
    for (int k = 0; k < 4; ++k) {
        nodes[k] = c.E[k].NodeCount.load();
        depths[k] = c.E[k].PlyDepth[1];
        EXPECT_GT(nodes[k], 0u) << "copy " << k + 1;
    }
    EXPECT_EQ(TotalNodes(fe), nodes[0] + nodes[1] + nodes[2] + nodes[3]);
    // Copies 3 and 4 search one and two plies deeper than copy 1's
    // iteration, which is at least 1.
    EXPECT_GE(depths[2], 8 * 3);
    EXPECT_GE(depths[3], 8 * 4);
    // Stopped, nothing moves.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int k = 1; k < 4; ++k) EXPECT_EQ(c.E[k].NodeCount.load(), nodes[k]);
    // Running again, each worker goes on with its tree: its counter only
    // grows (a new search would have started from 1).
    RunWorkers(fe);
    for (int wait = 0; wait < 2000 && c.E[1].NodeCount.load() <= nodes[1]; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopWorkers(fe);
    for (int k = 1; k < 4; ++k) EXPECT_GE(c.E[k].NodeCount.load(), nodes[k]);
    EXPECT_GT(c.E[1].NodeCount.load(), nodes[1]);
    EndWorkers(fe);
    for (int k = 0; k < MaxWorkers; ++k) EXPECT_EQ(fe.WorkerBusy[k].load(), 64);
}

}  // namespace
}  // namespace corvane
