// glyphforge-cli check: what other readers trip over in ICO and CUR files, and a corrected copy.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "iconfile/ico_check.h"
#include "platform/file_io.h"

namespace gf::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* CheckUsage =
    "Usage: glyphforge-cli check FILE... [--fix OUT]\n"
    "\n"
    "Reads icon (ICO) and cursor (CUR) files and reports, per image, what other readers trip\n"
    "over: a width or height byte of 0 for sizes other than 256, a directory entry that\n"
    "disagrees with its image's header (size, bit count, colour count), images overlapping\n"
    "each other or lying beyond the end of the file, AND masks shorter than their rows, 32-bit\n"
    "images whose alpha is all 0, colour tables of the wrong length, PNG-compressed images\n"
    "below 256 pixels, two images of one size and depth, and images out of order of size.\n"
    "\n"
    "With --fix (one FILE only) a corrected copy is written to OUT: whatever can be mended\n"
    "without guessing is, the images that are not at fault keep their bytes, and every change\n"
    "is listed. FILE itself is never changed (OUT may name it, and then replaces it whole).\n"
    "\n"
    "Exit status: 0 when every file is clean (or, with --fix, the copy is), 1 when problems\n"
    "remain or a file can not be read, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "  --fix OUT    write a corrected copy of FILE to OUT\n"
    "  -h, --help   show this help and exit\n";

std::string Where(const IconFinding& f) {
    return f.Entry < 0 ? "file" : "#" + std::to_string(f.Entry);
}

void PrintReport(const fs::path& file, const IconCheckReport& report) {
    const char* kind = report.Type == 2 ? "cursor file" : "icon file";
    std::printf("%s: %s, %zu image%s: ", PathText(file).c_str(), kind, report.EntryCount,
                report.EntryCount == 1 ? "" : "s");
    if (report.Clean()) {
        std::printf("no problems\n");
        return;
    }
    std::printf("%zu problem%s\n", report.Findings.size(), report.Findings.size() == 1 ? "" : "s");
    for (const IconFinding& f : report.Findings)
        std::printf("  %s: %s%s\n", Where(f).c_str(), f.Text.c_str(),
                    f.Fixable ? "" : " (not fixable)");
}

}  // namespace

int RunCheck(const Args& args) {
    std::vector<fs::path> inputs;
    std::optional<fs::path> fixTo;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::fputs(CheckUsage, stdout);
            return ExitOk;
        } else if (!optionsEnded && arg == "--fix") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return UsageError("check", "--fix needs a file name");
            if (fixTo)
                return UsageError("check", "only one --fix may be given");
            fixTo = args[++i];
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("check", "unknown option '" + arg + "'");
        } else {
            inputs.emplace_back(arg);
        }
    }
    if (inputs.empty())
        return UsageError("check", "at least one file is needed");
    if (fixTo && inputs.size() != 1)
        return UsageError("check", "--fix takes exactly one file");

    int status = ExitOk;
    for (const fs::path& input : inputs) {
        auto bytes = ReadFileBytes(input);
        if (!bytes) {
            std::fprintf(stderr, "glyphforge-cli check: %s\n", bytes.ErrorMessage().c_str());
            status = ExitFailure;
            continue;
        }
        const IconCheckReport report = CheckIconFile(*bytes);
        PrintReport(input, report);
        if (!fixTo) {
            if (!report.Clean())
                status = ExitFailure;
            continue;
        }
        auto fixed = FixIconFile(*bytes, report);
        if (!fixed) {
            std::fprintf(stderr, "glyphforge-cli check: %s: %s\n", PathText(input).c_str(),
                         fixed.ErrorMessage().c_str());
            return ExitFailure;
        }
        Status written = WriteFileAtomic(*fixTo, fixed->File);
        if (!written) {
            std::fprintf(stderr, "glyphforge-cli check: %s\n", written.ErrorMessage().c_str());
            return ExitFailure;
        }
        std::printf("Wrote %s: %zu change%s\n", PathText(*fixTo).c_str(), fixed->Changes.size(),
                    fixed->Changes.size() == 1 ? "" : "s");
        for (const std::string& c : fixed->Changes)
            std::printf("  %s\n", c.c_str());
        if (!fixed->Remaining.Clean()) {
            PrintReport(*fixTo, fixed->Remaining);
            status = ExitFailure;
        }
    }
    return status;
}

}  // namespace gf::cli
