// corvane4: the engine with four engine copies (the main thread and three
// worker threads).
#include "frontend/frontend.h"

int main() {
    static corvane::Engine copies[4];
    return corvane::RunProgram(copies, 4);
}
