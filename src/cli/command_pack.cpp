// glyphforge-cli pack: the icon images of several files joined into one multi-image ICO file.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "iconfile/icon_pack.h"
#include "platform/file_io.h"

namespace gf::cli {

namespace {

constexpr const char* PackUsage =
    "Usage: glyphforge-cli pack ICONFILE... -o OUT.ico\n"
    "\n"
    "Joins every icon image of the given files into one multi-image icon file, in the order\n"
    "given and, within a file, in the file's own order. Files are recognised by their\n"
    "content: ICO and CUR files give the images of their directory, Windows executables and\n"
    "libraries their icon resources, whatever the names. Image data is copied unchanged.\n"
    "OUT.ico is replaced only when every image was read and the whole file was written.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the icon file to write (required)\n"
    "  -h, --help          show this help and exit\n";

struct PackOptions {
    std::vector<std::filesystem::path> Inputs;
    std::filesystem::path Output;
    bool Help = false;
};

struct ParseOutcome {
    std::optional<PackOptions> Options;
    std::string Error;  // a usage error when Options is empty
};

ParseOutcome ParsePackArgs(const Args& args) {
    PackOptions options;
    bool optionsEnded = false;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.Help = true;
        } else if (!optionsEnded && (arg == "-o" || arg == "--output")) {
            if (i + 1 >= args.size())
                return {std::nullopt, "option '" + arg + "' needs a file name"};
            if (haveOutput)
                return {std::nullopt, "only one output file may be given"};
            options.Output = args[++i];
            haveOutput = true;
        } else if (!optionsEnded && arg.rfind("--output=", 0) == 0) {
            if (haveOutput)
                return {std::nullopt, "only one output file may be given"};
            options.Output = arg.substr(9);
            haveOutput = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return {std::nullopt, "unknown option '" + arg + "'"};
        } else {
            options.Inputs.emplace_back(arg);
        }
    }
    if (options.Help)
        return {options, ""};
    if (options.Inputs.empty())
        return {std::nullopt, "at least one icon file is needed"};
    if (!haveOutput || options.Output.empty())
        return {std::nullopt, "an output file is needed (-o OUT.ico)"};
    return {options, ""};
}

}  // namespace

int RunPack(const Args& args) {
    ParseOutcome parsed = ParsePackArgs(args);
    if (!parsed.Options) {
        std::fprintf(stderr, "glyphforge-cli pack: %s\n\n%s", parsed.Error.c_str(), PackUsage);
        return ExitUsage;
    }
    const PackOptions& options = *parsed.Options;
    if (options.Help) {
        std::fputs(PackUsage, stdout);
        return ExitOk;
    }

    // Everything is read before anything is written, so an input may also be the output.
    std::vector<IconBlock> blocks;
    for (const auto& input : options.Inputs) {
        auto found = ReadIconBlocksOf(input);
        if (!found) {
            std::fprintf(stderr, "glyphforge-cli pack: %s\n", found.ErrorMessage().c_str());
            return ExitFailure;
        }
        for (auto& block : *found)
            blocks.push_back(std::move(block));
    }

    PackOutcome written = WriteIconBlocks(blocks, options.Output);
    if (!written.Ok()) {
        std::fprintf(stderr, "glyphforge-cli pack: %s\n", written.Message.c_str());
        return ExitFailure;
    }
    std::printf("Wrote %s (%zu image%s)\n", PathText(options.Output).c_str(), written.ImageCount,
                written.ImageCount == 1 ? "" : "s");
    return ExitOk;
}

}  // namespace gf::cli
