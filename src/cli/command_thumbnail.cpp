// glyphforge-cli thumbnail: the picture a file manager shows for an icon, cursor or executable
// file, run by the desktop's thumbnailer entry (glyphforge.thumbnailer).

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/thumbnail.h"
#include "iconfile/ico_decode.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"

namespace gf::cli {

namespace {

constexpr const char* ThumbnailUsage =
    "Usage: glyphforge-cli thumbnail INPUT OUTPUT.png SIZE\n"
    "\n"
    "Writes the picture of an icon (ICO), cursor (CUR, ANI) or Windows executable or library\n"
    "file as a 32-bit PNG with transparency, for file managers: of the file's icon images (an\n"
    "executable's first icon group, the icon the program shows) the largest whose sides are at\n"
    "most SIZE pixels (1 to 4096), else the largest, shrunk to fit SIZE x SIZE; among images of\n"
    "one size the deepest. Files are recognised by their content.\n"
    "OUTPUT.png is written only when the whole picture is ready; nothing is written for a file\n"
    "that holds no icon that can be shown.\n"
    "\n"
    "Exit status: 0 written, 1 no picture could be made, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help and exit\n";

}  // namespace

int RunThumbnail(const Args& args) {
    std::vector<std::string> operands;
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "-h" || arg == "--help")) {
            std::fputs(ThumbnailUsage, stdout);
            return ExitOk;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("thumbnail", "unknown option '" + arg + "'");
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() != 3)
        return UsageError("thumbnail", "an input file, an output file and a size are needed");
    const auto size = ParseInt(operands[2], 1, MaxIconSide);
    if (!size)
        return UsageError("thumbnail",
                          "the size must be a number from 1 to " + std::to_string(MaxIconSide));
    const std::filesystem::path input = operands[0], output = operands[1];

    auto report = [&](const std::filesystem::path& file, const std::string& message) {
        std::fprintf(stderr, "glyphforge-cli thumbnail: %s: %s\n", PathText(file).c_str(),
                     message.c_str());
        return ExitFailure;
    };
    auto file = FileSource::Open(input);
    if (!file)
        return report(input, file.ErrorMessage());
    auto picture = MakeThumbnail(**file, input, *size);
    if (!picture)
        return report(input, picture.ErrorMessage());
    auto png = EncodePngRgba(*picture);
    if (!png)
        return report(output, png.ErrorMessage());
    if (auto written = WriteFileAtomic(output, *png); !written)
        return report(output, written.ErrorMessage());
    return ExitOk;
}

}  // namespace gf::cli
