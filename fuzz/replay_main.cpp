// SPDX-License-Identifier: MIT
// Runs a fuzz target over its checked-in corpus as a plain test (no libFuzzer):
// every file in the folders named on the command line is passed to the target
// once, in name order. A failing input aborts; its name is the last one printed.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::cout << file.filename().string() << std::endl;
        const std::string bytes = (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::cout << files.size() << " passed, 0 failed" << std::endl;
    return files.empty() ? 1 : 0;
}
