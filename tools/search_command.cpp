// corvane-tool search "FEN" DEPTH: searches a position with one engine copy
// until the iteration DEPTH is complete. The position is held as the engine
// holds it (rotated when White is to move, since the engine always plays the
// pieces coded 1 to 6). Prints a line for every new best line and last the
// best move in coordinate notation of the real board.
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/board/board.h"
#include "engine/search/hash_table.h"
#include "engine/search/search.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

namespace {

constexpr Word kToolHashUnits = 64;

}  // namespace

void PrintBestLine(ToolContext& tool) {
    Engine& e = tool.Copy;
    const int score = static_cast<int>(e.BestScore) - ScoreLevel;
    std::printf("%d %d %llu", CurrentDepth(e), score,
                static_cast<unsigned long long>(e.NodeCount.load(std::memory_order_relaxed)));
    for (int i = 0; i < 64 && e.PrincipalVariation[i] != 0; ++i) {
        const LineMove m = ReadLineEntry(e.PrincipalVariation[i]);
        if (m.Mate) {
            std::printf(" M%u#", m.MateMoves);
            break;
        }
        char text[6];
        WriteMoveText(tool.Front, m.From, m.To, m.Promotion, PromotionText::EveryPiece, text);
        std::printf(" %s", text);
        if (m.Flags & (LineFlagFailLow | LineFlagFailHigh)) break;  // the root move is still failing high or low
    }
    std::printf("\n");
}

bool PrepareSearch(ToolContext& tool) {
    if (tool.Copy.HashSlots == 0 && !HashAllocate(tool.Copy, kToolHashUnits, false)) {
        std::printf("error: the hash table could not be allocated\n");
        return false;
    }
    HashTouch(tool.Copy);
    // The engine plays the side to move.
    if (tool.Copy.GameTurn == TurnOpponent) FlipSides(tool.Front);
    return true;
}

bool SearchToDepth(ToolContext& tool, int depth, bool print) {
    Engine& e = tool.Copy;
    for (;;) {
        SearchStep(e);
        if (ReadVariation(e, 0) == 1 && print) PrintBestLine(tool);
        if (e.IterationDone == 1 && CurrentDepth(e) > depth) break;
    }
    return true;
}

int SearchCommand(int argc, char** argv) {
    long long depth = 0;
    if (argc < 2) {
        std::printf("error: usage: corvane-tool search \"FEN\" DEPTH\n");
        return 1;
    }
    if (!ParseCount(argv[1], depth) || depth < 1 || depth > 60) {
        std::printf("error: the depth must be a whole number from 1 to 60\n");
        return 1;
    }
    auto tool = LoadToolPosition(argv[0]);
    if (!tool) return 1;
    if (tool->Copy.GameTurn != TurnEngine && tool->Copy.GameTurn != TurnOpponent) {
        std::printf("error: the game is over in this position\n");
        return 1;
    }
    if (!PrepareSearch(*tool)) return 1;
    // A position without a legal move has no best move.
    Engine& e = tool->Copy;
    SearchStep(e);
    if (e.LastMove[1] == ListEmptyLast) {
        std::printf("error: the side to move has no legal move\n");
        HashRelease(e);
        return 1;
    }
    if (ReadVariation(e, 0) == 1) PrintBestLine(*tool);
    if (!(e.IterationDone == 1 && CurrentDepth(e) > depth)) SearchToDepth(*tool, static_cast<int>(depth), true);

    const RootMove m = RootBestMove(e);
    char text[6];
    WriteMoveText(tool->Front, m.From, m.To, m.Promotion, PromotionText::EveryPiece, text);
    std::printf("bestmove %s\n", text);
    HashRelease(e);
    return 0;
}

}  // namespace corvane
