// glyphforge-cli killed while it writes over existing files: at random moments, about a hundred
// times. Whatever the moment, each target is its old file or its new one, and no temporary file
// is left that the next save of the same target does not remove. An interrupt (SIGTERM) lands
// before or after the targets are replaced, never between two of them, and leaves nothing.

#include <gtest/gtest.h>

#if !defined(_WIN32)

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/bitmap.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "support/temp_folder.h"

extern char** environ;

namespace gf {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Starts the tool with `args`, its output thrown away; the process id.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = GF_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Entries of the folder that are none of `known`: temporary files left behind.
std::vector<std::string> Strays(const fs::path& folder, const std::vector<std::string>& known) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end())
            out.push_back(name);
    }
    return out;
}

bool AnonymousFilesWork(const fs::path& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
#else
    (void)folder;
    return false;
#endif
}

TEST(KilledSave, LeavesTheOldFileOrTheNewAndNoTemporaryFile) {
    test::TempFolder dir;
    const fs::path d = dir.Path();
    Bitmap picture(384, 384, PixelFormat::Bits32);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.Row(y);
        for (int x = 0; x < picture.Width(); ++x) {
            row[4 * x] = static_cast<std::uint8_t>(x);
            row[4 * x + 1] = static_cast<std::uint8_t>(y);
            row[4 * x + 2] = static_cast<std::uint8_t>(x ^ y);
            row[4 * x + 3] = static_cast<std::uint8_t>(255 - (x + y) / 3);
        }
    }
    ASSERT_TRUE(SavePngFile(picture, d / "in.png").Ok());
    const std::vector<std::string> known = {"in.png", "out.ico", "out.png", "out.bmp"};
    auto command = [&](const char* sizes, const char* background) {
        return std::vector<std::string>{"convert", "--sizes", sizes, "--store", "compatible",
                                        "--background", background, (d / "in.png").string(),
                                        (d / "out.ico").string(), "--png",
                                        (d / "out.png").string(), "--bmp",
                                        (d / "out.bmp").string(), background};
    };
    const auto oldRun = command("24,32", "black");
    const auto newRun = command("16,24,32,48,64,128,256", "white");
    std::vector<std::string> oldFiles, newFiles;
    auto runWhole = [&](const std::vector<std::string>& args, std::vector<std::string>& files) {
        const pid_t pid = Start(args);
        ASSERT_GT(pid, 0);
        const int status = Wait(pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        files.clear();
        for (std::size_t i = 1; i < known.size(); ++i)
            files.push_back(Slurp(d / known[i]));
    };
    // The quickest of three whole runs: a run slowed by a busy machine would put most kills
    // after the end.
    auto whole = std::chrono::steady_clock::duration::max();
    for (int i = 0; i < 3; ++i) {
        const auto started = std::chrono::steady_clock::now();
        runWhole(newRun, newFiles);
        whole = std::min(whole, std::chrono::steady_clock::now() - started);
    }
    runWhole(oldRun, oldFiles);
    for (std::size_t i = 0; i < oldFiles.size(); ++i)
        ASSERT_NE(oldFiles[i], newFiles[i]);

    // Kills fall anywhere in a whole run, most of them late, where the files are written.
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(whole);
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<long> early(0, span.count() * 3 / 4);
    std::uniform_int_distribution<long> late(span.count() / 2, span.count() * 11 / 10);
    const bool anonymous = AnonymousFilesWork(d);
    int killedWhileOld = 0, killedWhileNew = 0, strayed = 0;
    constexpr int Trials = 100;
    for (int trial = 0; trial < Trials; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        // Each trial starts from the old files, so every kill has something to replace.
        for (std::size_t i = 0; i < oldFiles.size(); ++i) {
            if (Slurp(d / known[i + 1]) != oldFiles[i]) {
                runWhole(oldRun, oldFiles);
                break;
            }
        }
        const bool interrupt = trial % 2 == 1;
        const pid_t pid = Start(newRun);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(
            std::chrono::microseconds(trial % 4 < 2 ? late(random) : early(random)));
        ::kill(pid, interrupt ? SIGTERM : SIGKILL);
        Wait(pid);
        int asNew = 0;
        for (std::size_t i = 0; i < oldFiles.size(); ++i) {
            const std::string now = Slurp(d / known[i + 1]);
            EXPECT_TRUE(now == oldFiles[i] || now == newFiles[i]) << known[i + 1];
            asNew += now == newFiles[i];
        }
        killedWhileOld += asNew == 0;
        killedWhileNew += asNew == 3;
        const std::vector<std::string> strays = Strays(d, known);
        if (interrupt) {
            // Held back while the targets are replaced: all or none of them are new.
            EXPECT_TRUE(asNew == 0 || asNew == 3) << asNew << " of 3 replaced";
            if (anonymous) {
                EXPECT_TRUE(strays.empty()) << strays.front();
            }
        }
        // With anonymous files, a kill can leave one only in the instant between naming it and
        // renaming it over its target; without them, the named files of a save under way.
        EXPECT_LE(strays.size(), anonymous ? 1u : 3u);
        if (!strays.empty()) {
            ++strayed;
            std::vector<std::string> again;
            runWhole(newRun, again);
            EXPECT_EQ(again, newFiles);
            EXPECT_TRUE(Strays(d, known).empty()) << "the next save left " << strays.front();
        }
    }
    std::printf("killed %d times: %d before the targets were replaced, %d after; %d left a "
                "temporary file that the next save removed (anonymous files: %s)\n",
                Trials, killedWhileOld, killedWhileNew, strayed, anonymous ? "yes" : "no");
    EXPECT_GT(killedWhileOld, 0);
}

}  // namespace
}  // namespace gf

#endif
