// corvane-tool eval: not built yet.
#include <cstdio>

#include "tools/tool_commands.h"

namespace corvane {

int EvalCommand(int, char**) {
    std::printf("error: the evaluation is not built yet\n");
    return 1;
}

}  // namespace corvane
