// corvane2: the engine with two engine copies (the main thread and one
// worker thread).
#include "frontend/frontend.h"

int main() {
    static corvane::Engine copies[2];
    return corvane::RunProgram(copies, 2);
}
