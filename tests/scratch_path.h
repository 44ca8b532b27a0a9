// Names for scratch files and directories of the tests. CTest runs the test
// processes side by side, so a name must differ between processes started in
// the same millisecond (the test framework's seed does not) and between PIDs
// reused on one machine; 64 random bits and a per-process counter do.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

inline std::filesystem::path ScratchPath(const std::string& prefix) {
    static const std::uint64_t process = [] {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    }();
    static int counter = 0;
    return std::filesystem::temp_directory_path() /
           (prefix + std::to_string(process) + "_" + std::to_string(++counter));
}
