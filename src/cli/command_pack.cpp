// glyphforge-cli pack: the icon images of several files joined into one multi-image ICO file.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_storage.h"
#include "iconfile/icon_pack.h"
#include "platform/file_io.h"

namespace gf::cli {

namespace {

constexpr const char* PackUsage =
    "Usage: glyphforge-cli pack ICONFILE... -o OUT.ico\n"
    "\n"
    "Joins every icon image of the given files into one multi-image icon file, in the order\n"
    "given and, within a file, in the file's own order. Files are recognised by their\n"
    "content: ICO and CUR files give the images of their directory, animated cursors the\n"
    "images of every frame, Windows executables and libraries their icon resources, whatever\n"
    "the names. Image data is copied unchanged, except that a 32-bit image is re-stored\n"
    "(PNG-compressed or not) where the storage preset asks for it and nothing is lost.\n"
    "OUT.ico is replaced only when every image was read and the whole file was written.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE       the icon file to write (required)\n"
    "  --store PRESET          modern (default): 32-bit images of 256 pixels PNG-compressed,\n"
    "                          the rest uncompressed; compatible: every image uncompressed;\n"
    "                          smallest: each 32-bit image PNG or not, whichever is smaller\n"
    "                          (uncompressed up to 16 pixels); keep: copy every image as it is\n"
    "  --store-png-from N      PNG-compress the 32-bit images with a side of N or more\n"
    "  --cursor                write a cursor file: images of cursors keep their hot spot,\n"
    "                          images of icons get 0,0\n"
    "  -h, --help              show this help and exit\n";

struct PackOptions {
    std::vector<std::filesystem::path> Inputs;
    std::filesystem::path Output;
    bool Help = false;
    std::optional<IconStorage> Storage = StorageOfPreset(StoragePreset::Modern);  // none: keep
    bool Cursor = false;
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
        } else if (!optionsEnded && arg == "--store") {
            const std::string name = i + 1 < args.size() ? args[++i] : "";
            if (name == "keep") {
                options.Storage.reset();
            } else if (auto preset = ParseStoragePreset(name)) {
                options.Storage = StorageOfPreset(*preset);
            } else {
                return {std::nullopt, "--store needs compatible, modern, smallest or keep"};
            }
        } else if (!optionsEnded && arg == "--store-png-from") {
            auto n = i + 1 < args.size() ? ParseInt(args[++i], 1, 256) : std::nullopt;
            if (!n)
                return {std::nullopt, "--store-png-from needs a size of 1..256"};
            options.Storage = StorageOfPreset(StoragePreset::Modern);
            options.Storage->PngFrom = *n;
        } else if (!optionsEnded && arg == "--cursor") {
            options.Cursor = true;
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
    std::uint64_t pixelBudget = DecodedPixelsExtra;
    for (const auto& input : options.Inputs) {
        auto found = ReadIconBlocksOf(input);
        if (!found) {
            std::fprintf(stderr, "glyphforge-cli pack: %s\n", found.ErrorMessage().c_str());
            return ExitFailure;
        }
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(input, ec);
        pixelBudget += DecodedPixelsPerFileByte * (ec ? 0 : static_cast<std::uint64_t>(size));
        for (auto& block : *found) {
            if (!options.Storage) {
                blocks.push_back(std::move(block));
                continue;
            }
            auto restored = RestoreIconBlock(block, *options.Storage, pixelBudget);
            if (!restored) {
                std::fprintf(stderr, "glyphforge-cli pack: %s: %s\n", PathText(input).c_str(),
                             restored.ErrorMessage().c_str());
                return ExitFailure;
            }
            blocks.push_back(std::move(*restored));
        }
    }

    if (options.Cursor) {
        for (IconBlock& block : blocks)
            if (!block.HotSpot)
                block.HotSpot = CursorHotSpot{};  // images of icons point at their corner
    }
    PackOutcome written =
        WriteIconBlocks(blocks, options.Output, options.Cursor ? IconTypeCursor : IconTypeIcon);
    if (!written.Ok()) {
        std::fprintf(stderr, "glyphforge-cli pack: %s\n", written.Message.c_str());
        return ExitFailure;
    }
    std::printf("Wrote %s (%zu image%s)\n", PathText(options.Output).c_str(), written.ImageCount,
                written.ImageCount == 1 ? "" : "s");
    return ExitOk;
}

}  // namespace gf::cli
