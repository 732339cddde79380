// glyphforge-cli convert: a picture (BMP, PNG or JPEG) becomes a 32-bit single-image icon.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "iconfile/ico_writer.h"
#include "iconfile/icon_image.h"
#include "iconfile/picture_convert.h"
#include "platform/file_io.h"

namespace gf::cli {

namespace {

constexpr const char* ConvertUsage =
    "Usage: glyphforge-cli convert [OPTIONS] PICTURE OUT.ico\n"
    "\n"
    "Converts a BMP, PNG or JPEG picture (recognised by its content, else by its extension)\n"
    "into a single-image 32-bit icon file. A side longer than 256 pixels is shrunk to 256 by\n"
    "itself, averaging areas; the aspect ratio is not kept and smaller pictures keep their size.\n"
    "The picture's alpha channel, if it has one, becomes the icon's transparency.\n"
    "\n"
    "Options:\n"
    "  -h, --help    show this help and exit\n";

struct ConvertOptions {
    std::filesystem::path Picture;
    std::filesystem::path Output;
    bool Help = false;
};

struct ParseOutcome {
    std::optional<ConvertOptions> Options;
    std::string Error;  // a usage error when Options is empty
};

// Options come first or anywhere between the operands; "--" ends them. Each option is one entry
// of the loop below, so new ones slot in without touching the operands.
ParseOutcome ParseConvertArgs(const Args& args) {
    ConvertOptions options;
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            options.Help = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return {std::nullopt, "unknown option '" + arg + "'"};
        } else {
            operands.push_back(arg);
        }
    }
    if (options.Help)
        return {options, ""};
    if (operands.size() < 2)
        return {std::nullopt, "a picture and an output file are needed"};
    if (operands.size() > 2)
        return {std::nullopt, "unexpected argument '" + operands[2] + "'"};
    options.Picture = operands[0];
    options.Output = operands[1];
    return {options, ""};
}

bool HasAnyAlphaByte(const Bitmap& bitmap32) {
    for (int y = 0; y < bitmap32.Height(); ++y) {
        const std::uint8_t* row = bitmap32.Row(y);
        for (int x = 0; x < bitmap32.Width(); ++x) {
            if (row[4 * x + 3] != 0)
                return true;
        }
    }
    return false;
}

// The picture as a 32-bit icon: where it has alpha, pixels of alpha 0 are masked out; a picture
// without alpha is opaque everywhere.
IconImage IconFromPicture(Bitmap picture32) {
    IconImage icon;
    icon.Mask = Bitmap(picture32.Width(), picture32.Height(), PixelFormat::Bits1);
    const bool hasAlpha = HasAnyAlphaByte(picture32);
    for (int y = 0; y < picture32.Height(); ++y) {
        std::uint8_t* row = picture32.Row(y);
        std::uint8_t* mask = icon.Mask.Row(y);
        for (int x = 0; x < picture32.Width(); ++x) {
            if (!hasAlpha) {
                row[4 * x + 3] = 255;
            } else if (row[4 * x + 3] == 0) {
                mask[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
            }
        }
    }
    icon.Color = std::move(picture32);
    return icon;
}

}  // namespace

int RunConvert(const Args& args) {
    ParseOutcome parsed = ParseConvertArgs(args);
    if (!parsed.Options) {
        std::fprintf(stderr, "glyphforge-cli convert: %s\n\n%s", parsed.Error.c_str(),
                     ConvertUsage);
        return ExitUsage;
    }
    const ConvertOptions& options = *parsed.Options;
    if (options.Help) {
        std::fputs(ConvertUsage, stdout);
        return ExitOk;
    }

    auto picture = LoadPictureFile(options.Picture);
    if (!picture) {
        std::fprintf(stderr, "glyphforge-cli convert: %s\n", picture.ErrorMessage().c_str());
        return ExitFailure;
    }
    IconImage icon = IconFromPicture(LimitPictureForEditor(*picture));
    Status saved = SaveBitmapsAsIcon(icon.Color, icon.Mask, options.Output);
    if (!saved) {
        std::fprintf(stderr, "glyphforge-cli convert: %s\n", saved.ErrorMessage().c_str());
        return ExitFailure;
    }
    std::printf("Wrote %s (%dx%d, 32 bits)\n", PathText(options.Output).c_str(), icon.Width(),
                icon.Height());
    return ExitOk;
}

}  // namespace gf::cli
