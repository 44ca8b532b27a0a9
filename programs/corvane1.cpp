// corvane1: the engine with a single engine copy and no worker thread.
#include "frontend/frontend.h"

int main() {
    static corvane::Engine copies[1];
    return corvane::RunProgram(copies, 1);
}
