// Fuzz target: the configuration reader on arbitrary files. Whatever the
// file holds, the hash size read is one the program can use (1 to 1024).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "frontend/frontend.h"
#include "tools/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    fuzz::FuzzEngine& f = fuzz::SharedEngine();
    const char* name = fuzz::WriteScratchFile("config", data, size);
    f.Front.HashMegabytes = 0;
    ReadConfiguration(f.Front, name);
    std::remove(name);
    if (f.Front.HashMegabytes < 1 || f.Front.HashMegabytes > 1024) {
        std::fprintf(stderr, "hash size %u read from the configuration\n", f.Front.HashMegabytes);
        std::abort();
    }
    return 0;
}
