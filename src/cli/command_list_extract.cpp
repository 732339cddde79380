// glyphforge-cli list and extract: the icon images of ICO, CUR and executable files, listed or
// cut out, through the same reader the icon list window uses.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/icon_listing.h"
#include "cli/json_writer.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "platform/file_io.h"

namespace gf::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* ListUsage =
    "Usage: glyphforge-cli list [--json] FILE...\n"
    "\n"
    "Lists every icon image of each icon (ICO), cursor (CUR) or Windows executable or library\n"
    "file, one line per image: its index, width x height, bit count, storage (BMP or PNG), size\n"
    "in bytes and offset in the file. Files starting with \"MZ\" are read as executables (their\n"
    "RT_ICON resources, first language), files with an icon or cursor header by their\n"
    "directory; any other file by its name (.ico: icon file, else executable).\n"
    "\n"
    "An image whose headers cannot be read is shown as damaged, with the reason.\n"
    "\n"
    "With --json the listing is one JSON document on standard output:\n"
    "  {\"files\": [{\"path\": ..., \"kind\": \"icon_file\" | \"executable\" | \"animated_cursor\",\n"
    "              \"images\": [{\"index\", \"width\", \"height\", \"bit_count\",\n"
    "                          \"storage\": \"BMP\" | \"PNG\", \"bytes\", \"offset\",\n"
    "                          \"damaged\": (only for a damaged image: why)}, ...],\n"
    "              \"error\": (only when the file could not be read or held no icons)}, ...]}\n"
    "A path that is not valid UTF-8 is written with U+FFFD for each bad byte and comes\n"
    "with \"path_bytes\", the array of its bytes.\n"
    "\n"
    "Exit status: 0 when every file held icon images and none was damaged, 1 when a file could\n"
    "not be read, held none or held a damaged image, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "      --json   write the listing as JSON\n"
    "  -h, --help   show this help and exit\n";

constexpr const char* ExtractUsage =
    "Usage: glyphforge-cli extract FILE... -o DIR [--png]\n"
    "\n"
    "Writes every icon image of each icon, cursor or executable file into DIR (created when\n"
    "missing) as a one-image icon file NAME_INDEX.ico, the image data copied unchanged, where\n"
    "NAME is the source file's name without its extension and INDEX the image's number in\n"
    "'glyphforge-cli list'. With --png each image is decoded and written as a 32-bit PNG file\n"
    "NAME_INDEX.png with its transparency. Existing files of those names are replaced.\n"
    "\n"
    "Exit status: 0 when every file held icon images and all were written, 1 otherwise, 2 for\n"
    "a usage error.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR   the folder to write to (required)\n"
    "      --png          write PNG pictures instead of icon files\n"
    "  -h, --help         show this help and exit\n";

struct Options {
    std::vector<fs::path> Inputs;
    fs::path Output;
    bool HaveOutput = false;
    bool Png = false;
    bool Json = false;
    bool Help = false;
};

// Parses FILE... and the options (extract's too when `extractOptions`); the error is a usage
// message.
std::optional<Options> ParseArgs(const Args& args, bool extractOptions, std::string& error) {
    Options o;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (option && (arg == "-h" || arg == "--help")) {
            o.Help = true;
        } else if (option && extractOptions && (arg == "-o" || arg == "--output")) {
            if (i + 1 >= args.size()) {
                error = "option '" + arg + "' needs a folder name";
                return std::nullopt;
            }
            if (o.HaveOutput) {
                error = "only one output folder may be given";
                return std::nullopt;
            }
            o.Output = args[++i];
            o.HaveOutput = true;
        } else if (option && extractOptions && arg.rfind("--output=", 0) == 0) {
            if (o.HaveOutput) {
                error = "only one output folder may be given";
                return std::nullopt;
            }
            o.Output = arg.substr(9);
            o.HaveOutput = true;
        } else if (option && extractOptions && arg == "--png") {
            o.Png = true;
        } else if (option && !extractOptions && arg == "--json") {
            o.Json = true;
        } else if (option) {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            o.Inputs.emplace_back(arg);
        }
    }
    if (o.Help)
        return o;
    if (o.Inputs.empty()) {
        error = "at least one file is needed";
        return std::nullopt;
    }
    if (extractOptions && (!o.HaveOutput || o.Output.empty())) {
        error = "an output folder is needed (-o DIR)";
        return std::nullopt;
    }
    return o;
}

// Reads the arguments of `list` (extract false) or `extract` into `options`. Wrong arguments get
// a usage error and a help request gets the help; the command then ends with the status
// returned, and goes on only when none is.
std::optional<int> ReadCommandLine(const Args& args, bool extract, Options& options) {
    std::string error;
    auto parsed = ParseArgs(args, extract, error);
    if (!parsed)
        return UsageError(extract ? "extract" : "list", error);
    if (parsed->Help) {
        std::fputs(extract ? ExtractUsage : ListUsage, stdout);
        return ExitOk;
    }
    options = std::move(*parsed);
    return std::nullopt;
}

void ReportFileError(const fs::path& file, const std::string& message) {
    std::fprintf(stderr, "glyphforge-cli: %s: %s\n", PathText(file).c_str(), message.c_str());
}

// Stems already used in this run get a number, so two inputs of the same name (from different
// folders) never write over each other's images.
std::string UniqueStem(const fs::path& input, std::map<std::string, int>& used) {
    std::string stem = input.stem().string();
    if (stem.empty())
        stem = "icon";
    int n = ++used[stem];
    return n == 1 ? stem : stem + "-" + std::to_string(n);
}

}  // namespace

int RunList(const Args& args) {
    Options options;
    if (auto exitStatus = ReadCommandLine(args, false, options))
        return *exitStatus;
    int status = ExitOk;
    JsonWriter json;
    json.BeginObject();
    json.Key("files");
    json.BeginArray();
    for (const auto& input : options.Inputs) {
        auto listing = ListIconFile(input);
        if (!listing) {
            ReportFileError(input, listing.ErrorMessage());
            if (options.Json)
                WriteIconListingJson(json, input, nullptr, listing.ErrorMessage());
            status = ExitFailure;
            continue;
        }
        const bool empty = listing->List.Images.empty();
        const std::string error = empty ? NoIconsMessage(listing->List) : std::string();
        if (options.Json)
            WriteIconListingJson(json, input, &*listing, error);
        else
            std::fputs(FormatIconListing(input, *listing).c_str(), stdout);
        const auto& images = listing->List.Images;
        const auto damaged =
            std::count_if(images.begin(), images.end(),
                          [](const FoundIconImage& i) { return !i.Damage.empty(); });
        if (damaged > 0) {
            ReportFileError(
                input, std::to_string(damaged) + " damaged icon image" + (damaged == 1 ? "" : "s"));
            status = ExitFailure;
        }
        if (empty) {
            ReportFileError(input, error);
            status = ExitFailure;
        }
    }
    json.EndArray();
    json.EndObject();
    if (options.Json)
        std::fputs(json.Text().c_str(), stdout);
    return status;
}

int RunExtract(const Args& args) {
    Options options;
    if (auto exitStatus = ReadCommandLine(args, true, options))
        return *exitStatus;
    std::error_code ec;
    fs::create_directories(options.Output, ec);
    if (!fs::is_directory(options.Output, ec)) {
        ReportFileError(options.Output, "can not create the output folder");
        return ExitFailure;
    }

    int status = ExitOk;
    std::map<std::string, int> stems;
    for (const auto& input : options.Inputs) {
        auto listing = ListIconFile(input);
        if (!listing) {
            ReportFileError(input, listing.ErrorMessage());
            status = ExitFailure;
            continue;
        }
        if (listing->List.Images.empty()) {
            ReportFileError(input, NoIconsMessage(listing->List));
            status = ExitFailure;
            continue;
        }
        std::string stem = UniqueStem(input, stems);
        const auto& images = listing->List.Images;
        for (std::size_t i = 0; i < images.size(); ++i) {
            const FoundIconImage& image = images[i];
            fs::path target =
                options.Output / (stem + "_" + std::to_string(i) + (options.Png ? ".png" : ".ico"));
            auto block = CutIconBlock(*listing->Source, image.Offset, image.Size);
            if (!block) {
                ReportFileError(input, block.ErrorMessage());
                status = ExitFailure;
                continue;
            }
            Status written;
            if (options.Png) {
                auto icon = DecodeIconImageBlock(*block);
                if (!icon) {
                    ReportFileError(input,
                                    "image " + std::to_string(i) + ": " + icon.ErrorMessage());
                    status = ExitFailure;
                    continue;
                }
                written = SaveIconAsPng(*icon, icon->Color.BitCount(), target);
            } else {
                written = WriteFileAtomic(target, MakeSingleImageIconFile(*block));
            }
            if (!written) {
                ReportFileError(target, written.ErrorMessage());
                status = ExitFailure;
                continue;
            }
            std::printf("%s\n", PathText(target).c_str());
        }
    }
    return status;
}

}  // namespace gf::cli
