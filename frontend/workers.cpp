// The worker threads: one per engine copy after the first, each running its
// own copy's search steps while its run flag is set. The main thread and a
// worker meet only through the two flags of the worker; once the main
// thread has cleared the run flag and seen the busy flag at 0, the worker is
// outside its copy's search, and the copy may be changed.
#include <chrono>
#include <thread>

#include "engine/search/search.h"
#include "frontend/frontend.h"

namespace corvane {

namespace {

constexpr Byte kRun = 1;
constexpr Byte kExit = 64;

// The start depth a worker passes to its copy's search step: with four
// searching copies (and with three, the first three of them) copy 2 deepens
// on its own and copies 3 and 4 search one and two plies deeper than copy
// 1's current iteration; with two copy 2 searches one ply deeper. The
// number of searching copies changes only while every worker is idle; a
// worker reads it after its run flag, which the main thread sets after it.
Byte StartDepth(const FrontEnd& fe, int worker) {
    const int depth = fe.LeadDepth.load(std::memory_order_relaxed);
    if (fe.ActiveCopies == 2) return static_cast<Byte>(depth + 1);
    if (worker == 0) return 0;
    return static_cast<Byte>(depth + worker);
}

// The body of worker thread `worker` (engine copy worker + 2). The busy flag
// is raised before the run flag is read (both sequentially consistent), so
// the main thread can never see the worker idle while it is about to search.
void WorkerLoop(FrontEnd* fe, int worker) {
    Engine& copy = fe->Copies[worker + 1];
    std::atomic<Byte>& run = fe->WorkerRun[worker];
    std::atomic<Byte>& busy = fe->WorkerBusy[worker];
    for (;;) {
        busy.store(kRun);
        const Byte order = run.load();
        if (order == kExit) break;
        if (order == kRun) {
            SearchStep(copy, StartDepth(*fe, worker));
            continue;
        }
        busy.store(0);
        SleepOneMillisecond();
    }
    busy.store(kExit);
}

}  // namespace

void SleepOneMillisecond() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void StartWorkers(FrontEnd& fe) {
    for (int k = 0; k < fe.CopyCount - 1; ++k) {
        fe.WorkerRun[k].store(0);
        std::thread(WorkerLoop, &fe, k).detach();
    }
}

void RunWorkers(FrontEnd& fe) {
    PublishLeadDepth(fe);
    for (int k = 0; k < fe.ActiveCopies - 1; ++k) fe.WorkerRun[k].store(kRun);
}

void PublishLeadDepth(FrontEnd& fe) {
    fe.LeadDepth.store(CurrentDepth(fe.Copies[0]), std::memory_order_relaxed);
}

void StopWorkers(FrontEnd& fe) {
    for (int k = 0; k < fe.CopyCount - 1; ++k) fe.WorkerRun[k].store(0);
    for (int k = 0; k < fe.CopyCount - 1; ++k)
        while (fe.WorkerBusy[k].load() != 0) SleepOneMillisecond();
}

void EndWorkers(FrontEnd& fe) {
    for (int k = 0; k < fe.CopyCount - 1; ++k) fe.WorkerRun[k].store(kExit);
    for (int k = 0; k < fe.CopyCount - 1; ++k)
        while (fe.WorkerBusy[k].load() != kExit) SleepOneMillisecond();
}

std::uint64_t TotalNodes(const FrontEnd& fe) {
    std::uint64_t sum = 0;
    for (int k = 0; k < fe.ActiveCopies; ++k) sum += fe.Copies[k].NodeCount.load(std::memory_order_relaxed);
    return sum;
}

}  // namespace corvane
