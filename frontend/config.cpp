// The configuration file: comment lines start with "*"; the first other line
// holds the hash table size in megabyte units (1 to 1024).
#include <cstdio>
#include <cstring>

#include "frontend/frontend.h"

namespace corvane {

void ReadConfiguration(FrontEnd& fe, const char* fileName) {
    fe.HashMegabytes = 128;
    std::FILE* file = std::fopen(fileName, "r");
    if (file == nullptr) return;
    char line[LineCapacity];
    bool haveLine = false;
    for (;;) {
        if (std::fgets(line, sizeof line, file) == nullptr) break;
        haveLine = true;
        // Drop the line end, and the rest of a line too long for the buffer.
        const std::size_t length = std::strlen(line);
        if (length > 0 && line[length - 1] == '\n') {
            line[length - 1] = '\0';
        } else {
            int c;
            while ((c = std::fgetc(file)) != EOF && c != '\n') {
            }
        }
        const std::size_t trimmed = std::strlen(line);
        if (trimmed > 0 && line[trimmed - 1] == '\r') line[trimmed - 1] = '\0';
        if (line[0] != '*') break;
    }
    std::fclose(file);
    if (!haveLine) return;
    const Word value = static_cast<Word>(static_cast<std::uint64_t>(ReadNumber(line)) & 65535u);
    if (value >= 1 && value <= 1024) fe.HashMegabytes = value;
}

}  // namespace corvane
