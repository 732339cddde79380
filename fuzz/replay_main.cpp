// Replays every file of the folders (or files) named on the command line through the fuzz
// target, so each build checks the seed corpus and the regression files without libFuzzer, and
// names the slowest input.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

struct Slowest {
    fs::path File;
    double Milliseconds = -1;
};

static void Replay(const fs::path& file, int& count, Slowest& slowest) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    const auto start = std::chrono::steady_clock::now();
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (ms > slowest.Milliseconds)
        slowest = {file, ms};
    ++count;
}

int main(int argc, char** argv) {
    int count = 0;
    Slowest slowest;
    for (int i = 1; i < argc; ++i) {
        fs::path p(argv[i]);
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            for (const auto& entry : fs::recursive_directory_iterator(p, ec)) {
                if (entry.is_regular_file())
                    Replay(entry.path(), count, slowest);
            }
        } else if (fs::is_regular_file(p, ec)) {
            Replay(p, count, slowest);
        }
    }
    std::printf("replayed %d inputs\n", count);
    if (count > 0)
        std::printf("slowest: %s (%.1f ms)\n", slowest.File.string().c_str(), slowest.Milliseconds);
    return 0;
}
