// corvane-tool eval "FEN" [BOUND_PARENT BOUND_CURRENT]
//
// Sets the position up unrotated, evaluates it at ply 1 when Black (codes
// 1..6) is to move and at ply 2 when White is, with the two search bounds of
// the lazy test (both 32768 unless given), and prints the raw score, the
// score in centipawns from White's side and the two material signatures.
#include <cstdio>

#include "engine/eval/evaluate.h"
#include "tools/tool_commands.h"
#include "tools/tool_common.h"

namespace corvane {

int EvalCommand(int argc, char** argv) {
    if (argc != 1 && argc != 3) {
        std::fprintf(stderr, "usage: corvane-tool eval \"FEN\" [BOUND_PARENT BOUND_CURRENT]\n");
        return 2;
    }
    long long boundParent = ScoreLevel;
    long long boundCurrent = ScoreLevel;
    if (argc == 3) {
        if (!ParseCount(argv[1], boundParent) || boundParent > 65535 || !ParseCount(argv[2], boundCurrent) ||
            boundCurrent > 65535) {
            std::printf("error: the bounds must be whole numbers from 0 to 65535\n");
            return 1;
        }
    }

    auto tool = LoadToolPosition(argv[0]);
    if (!tool) return 1;
    Engine& e = tool->Copy;
    PrepareEvaluation(e, static_cast<Word>(boundParent), static_cast<Word>(boundCurrent));

    const Word raw = Evaluate(e);
    std::printf("raw %u\n", static_cast<unsigned>(raw));
    std::printf("white centipawns %d\n", static_cast<int>(ScoreLevel) - static_cast<int>(raw));
    std::printf("black signature %u\n", static_cast<unsigned>(e.BlackSignature));
    std::printf("white signature %u\n", static_cast<unsigned>(e.WhiteSignature));
    return 0;
}

}  // namespace corvane
