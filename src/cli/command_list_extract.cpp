// glyphforge-cli list and extract: the icon images of ICO, CUR and executable files, listed or
// cut out, through the same reader the icon list window uses.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/icon_listing.h"
#include "cli/json_writer.h"
#include "iconfile/icon_groups.h"
#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/ico_writer.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"

namespace gf::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* ListUsage =
    "Usage: glyphforge-cli list [--json] FILE... [--groups] [--language all|first|ID]\n"
    "\n"
    "Lists every icon image of each icon (ICO), cursor (CUR) or Windows executable or library\n"
    "file (32-, 64- or 16-bit), one line per image: its index, width x height, bit count,\n"
    "storage (BMP or PNG), size in bytes and offset in the file; for executables also the\n"
    "resource and its language, and the hot spot of cursors. Executables list their RT_ICON\n"
    "images, then their RT_CURSOR images. Files starting with \"MZ\" are read as executables,\n"
    "files with an icon or cursor header by their directory; any other file by its name (.ico:\n"
    "icon file, else executable).\n"
    "\n"
    "With --groups, lists the icon and cursor groups of executables instead (RT_GROUP_ICON,\n"
    "RT_GROUP_CURSOR: the multi-size icons a program shows), each language of a group on its\n"
    "own, with the images it names.\n"
    "\n"
    "An image whose headers cannot be read is shown as damaged, with the reason.\n"
    "\n"
    "With --json the listing is one JSON document on standard output:\n"
    "  {\"files\": [{\"path\": ..., \"kind\": \"icon_file\" | \"executable\" | \"animated_cursor\",\n"
    "              \"images\": [{\"index\", \"width\", \"height\", \"bit_count\",\n"
    "                          \"storage\": \"BMP\" | \"PNG\", \"bytes\", \"offset\",\n"
    "                          \"damaged\": (only for a damaged image: why),\n"
    "                          executables: \"resource_type\": \"icon\" | \"cursor\",\n"
    "                          \"resource\": ID or name, \"language\",\n"
    "                          cursors: \"hot_spot\": [x, y]}, ...],\n"
    "              \"error\": (only when the file could not be read or held no icons)}, ...]}\n"
    "A path that is not valid UTF-8 is written with U+FFFD for each bad byte and comes\n"
    "with \"path_bytes\", the array of its bytes.\n"
    "\n"
    "Exit status: 0 when every file held icon images (or groups) and none was damaged, 1 when a\n"
    "file could not be read, held none or held a damaged image, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "      --groups              list icon and cursor groups\n"
    "      --language all|first|ID\n"
    "                            which languages of an executable's resources: every one, the\n"
    "                            first of each, or only this language ID (default: first for\n"
    "                            images, all for groups)\n"
    "      --json                write the listing as JSON\n"
    "  -h, --help                show this help and exit\n";

constexpr const char* ExtractUsage =
    "Usage: glyphforge-cli extract FILE... -o DIR [--groups | --png] [--language all|first|ID]\n"
    "\n"
    "Writes every icon image of each icon, cursor or executable file into DIR (created when\n"
    "missing) as a one-image icon file NAME_INDEX.ico, the image data copied unchanged, where\n"
    "NAME is the source file's name without its extension and INDEX the image's number in\n"
    "'glyphforge-cli list'. Cursor images of executables become cursor files NAME_INDEX.cur\n"
    "with their hot spot. With --png each image is decoded and written as a 32-bit PNG file\n"
    "NAME_INDEX.png with its transparency.\n"
    "\n"
    "With --groups, writes each icon group of an executable as one multi-image icon file\n"
    "NAME_GROUP.ico (cursor groups: NAME_GROUP.cur, hot spots kept), GROUP being the group's ID\n"
    "or name, followed by _LANGUAGE when the group has more than one language. The images are\n"
    "copied unchanged; an image a group names but the file lacks is left out, with a warning.\n"
    "\n"
    "Existing files of those names are replaced. Every file is written whole or not at all;\n"
    "all of them are made durable together before they take their names.\n"
    "\n"
    "Exit status: 0 when every file held icon images (or groups) and all were written, 1\n"
    "otherwise, 2 for a usage error.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR          the folder to write to (required)\n"
    "      --groups              write icon and cursor groups\n"
    "      --png                 write PNG pictures instead of icon files\n"
    "      --language all|first|ID\n"
    "                            which languages of an executable's resources (default: first\n"
    "                            for images, all for groups)\n"
    "  -h, --help                show this help and exit\n";

struct Options {
    std::vector<fs::path> Inputs;
    fs::path Output;
    bool HaveOutput = false;
    bool Png = false;
    bool Json = false;
    bool Groups = false;
    std::optional<LanguageSelection> Language;
    bool Help = false;

    LanguageSelection Languages() const {
        return Language.value_or(Groups ? LanguageSelection::All() : LanguageSelection::First());
    }
};

std::optional<LanguageSelection> ParseLanguage(const std::string& text) {
    if (text == "all")
        return LanguageSelection::All();
    if (text == "first")
        return LanguageSelection::First();
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    unsigned long id = std::stoul(text);
    if (id > 0xFFFF)
        return std::nullopt;
    return LanguageSelection::Only(static_cast<std::uint16_t>(id));
}

// Parses FILE... and the options (extract's too when `extractOptions`); the error is a usage
// message.
std::optional<Options> ParseArgs(const Args& args, bool extractOptions, std::string& error) {
    Options o;
    bool optionsEnded = false;
    auto setLanguage = [&](const std::string& value) {
        if (o.Language) {
            error = "only one --language may be given";
            return false;
        }
        o.Language = ParseLanguage(value);
        if (!o.Language)
            error = "--language takes all, first or a language ID (0 to 65535), not '" + value +
                    "'";
        return o.Language.has_value();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (option && (arg == "-h" || arg == "--help")) {
            o.Help = true;
        } else if (option && arg == "--groups") {
            o.Groups = true;
        } else if (option && arg == "--language") {
            if (i + 1 >= args.size()) {
                error = "option '--language' needs a value";
                return std::nullopt;
            }
            if (!setLanguage(args[++i]))
                return std::nullopt;
        } else if (option && arg.rfind("--language=", 0) == 0) {
            if (!setLanguage(arg.substr(11)))
                return std::nullopt;
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
    if (o.Json && o.Groups) {
        error = "--json and --groups can not be used together";
        return std::nullopt;
    }
    if (o.Png && o.Groups) {
        error = "--png and --groups can not be used together";
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

// A resource name as part of a file name: characters no file name may hold become '_'.
std::string FileNamePart(const ResourceName& name) {
    if (!name.IsNamed())
        return std::to_string(name.Id);
    std::string out = name.Name;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("/\\:*?\"<>|").find(c) !=
                                                         std::string_view::npos)
            c = '_';
    }
    if (out == "." || out == "..")
        out = "_";
    return out;
}

// The files of one extract run, in one folder: each written to its temporary file as it
// comes, and put in place together only when every one of them could be written, so a run that
// cannot write one file replaces none.
class ExtractWriter {
  public:
    explicit ExtractWriter(fs::path folder) : Folder(std::move(folder)) {}

    void Add(const std::string& name, std::span<const std::uint8_t> data) {
        Targets.push_back(Folder / name);
        if (Status s = Batch.Add(Targets.back(), data); !s)
            ReportFileError(Targets.back(), s.ErrorMessage());
    }
    // Prints each file written, reports each that could not be.
    void Commit() {
        if (!Batch.AllWritten()) {
            Batch.Abandon();
            std::fprintf(stderr, "glyphforge-cli: %s: no file was written, since not all could be\n",
                         PathText(Folder).c_str());
            AllWritten = false;
            Targets.clear();
            return;
        }
        std::vector<Status> results = Batch.Commit();
        for (std::size_t i = 0; i < results.size(); ++i) {
            if (results[i]) {
                std::printf("%s\n", PathText(Targets[i]).c_str());
            } else {
                ReportFileError(Targets[i], results[i].ErrorMessage());
                AllWritten = false;
            }
        }
        Targets.clear();
    }
    bool Ok() const { return AllWritten; }

  private:
    fs::path Folder;
    AtomicFileBatch Batch;
    std::vector<fs::path> Targets;
    bool AllWritten = true;
};

Result<std::vector<std::uint8_t>> EncodeImageAsPng(Bytes block) {
    auto icon = DecodeIconImageBlock(block);
    if (!icon)
        return icon.GetError();
    auto rgba = IconToRgba(*icon, icon->Color.BitCount());
    if (!rgba)
        return rgba.GetError();
    return EncodePngRgba(*rgba);
}

// Every image of one file, a file each. False when any could not be cut out or decoded.
bool ExtractImages(const fs::path& input, const IconFileListing& listing, const std::string& stem,
                   bool png, ExtractWriter& out) {
    bool ok = true;
    const auto& images = listing.List.Images;
    std::uint64_t pixelBudget =
        DecodedPixelsExtra + DecodedPixelsPerFileByte * listing.Source->Size();
    std::size_t overBudget = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const FoundIconImage& image = images[i];
        const char* extension = png ? ".png" : image.HotSpot ? ".cur" : ".ico";
        const std::string name = stem + "_" + std::to_string(i) + extension;
        auto block = CutIconBlock(*listing.Source, image.Offset, image.Size);
        if (!block) {
            ReportFileError(input, block.ErrorMessage());
            ok = false;
            continue;
        }
        if (!png) {
            out.Add(name, image.HotSpot ? MakeSingleImageCursorFile(*block, *image.HotSpot)
                                        : MakeSingleImageIconFile(*block));
            continue;
        }
        const std::uint64_t pixels =
            static_cast<std::uint64_t>(std::clamp<std::int64_t>(image.Header.Width, 0, MaxIconSide)) *
            static_cast<std::uint64_t>(std::clamp<std::int64_t>(image.Header.Height, 0, MaxIconSide));
        if (pixels > pixelBudget) {
            ++overBudget;
            continue;
        }
        pixelBudget -= pixels;
        auto encoded = EncodeImageAsPng(*block);
        if (!encoded) {
            ReportFileError(input, "image " + std::to_string(i) + ": " + encoded.ErrorMessage());
            ok = false;
            continue;
        }
        out.Add(name, *encoded);
    }
    if (overBudget > 0) {
        ReportFileError(input, std::to_string(overBudget) +
                                   " of its images left out: they decode to more pixels than a "
                                   "file of its size could hold");
        ok = false;
    }
    return ok;
}

std::string GroupTitle(const IconGroup& g) {
    std::string title =
        ResourceText(g.Cursor ? ResourceTypeGroupCursor : ResourceTypeGroupIcon, g.Name);
    if (g.Language)
        title += " (language " + std::to_string(*g.Language) + ")";
    return title;
}

// Every group of one file, a multi-image file each. Missing images are warned about and left
// out; false only when a group could not be written at all.
bool ExtractGroups(const fs::path& input, const IconGroupFileListing& listing,
                   const std::string& stem, ExtractWriter& out) {
    bool ok = true;
    std::set<std::string> names;
    for (const IconGroup& g : listing.List.Groups) {
        std::size_t overBudget = 0;
        for (const IconGroupMember& m : g.Members) {
            overBudget += m.OverBudget;
            if (m.Image || m.OverBudget)
                continue;
            ReportFileError(input, GroupTitle(g) + ": " +
                                       ResourceText(g.Cursor ? ResourceTypeCursor : ResourceTypeIcon,
                                                    ResourceName{m.ImageId, {}}) +
                                       " is not in the file; left out");
        }
        if (overBudget > 0) {
            ReportFileError(input, GroupTitle(g) + ": " + std::to_string(overBudget) +
                                       " of its images left out: the groups name more image "
                                       "data than the file could hold");
        }
        auto file = MakeIconGroupFile(*listing.Source, g);
        if (!file) {
            ReportFileError(input, GroupTitle(g) + ": " + file.ErrorMessage());
            ok = false;
            continue;
        }
        std::string base = stem + "_" + FileNamePart(g.Name);
        if (g.Language && g.LanguageCount > 1)
            base += "_" + std::to_string(*g.Language);
        const char* extension = g.Cursor ? ".cur" : ".ico";
        // Two groups could meet in one name (the ID 1 and a group named "1"): the later gets a
        // number.
        std::string name = base + extension;
        for (int n = 2; !names.insert(name).second; ++n)
            name = base + "-" + std::to_string(n) + extension;
        out.Add(name, *file);
    }
    return ok;
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
        if (options.Groups) {
            auto listing = ListIconGroupFile(input, options.Languages());
            if (!listing) {
                ReportFileError(input, listing.ErrorMessage());
                status = ExitFailure;
                continue;
            }
            std::fputs(FormatIconGroupListing(input, listing->Kind, listing->List).c_str(),
                       stdout);
            if (listing->List.Groups.empty()) {
                ReportFileError(input, NoIconGroupsMessage(listing->List));
                status = ExitFailure;
            }
            continue;
        }
        auto listing = ListIconFile(input, {options.Languages(), true});
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

    bool ok = true;
    ExtractWriter out(options.Output);
    std::map<std::string, int> stems;
    for (const auto& input : options.Inputs) {
        if (options.Groups) {
            auto listing = ListIconGroupFile(input, options.Languages());
            if (!listing) {
                ReportFileError(input, listing.ErrorMessage());
                ok = false;
                continue;
            }
            if (listing->List.Groups.empty()) {
                ReportFileError(input, NoIconGroupsMessage(listing->List));
                ok = false;
                continue;
            }
            ok = ExtractGroups(input, *listing, UniqueStem(input, stems), out) && ok;
            continue;
        }
        auto listing = ListIconFile(input, {options.Languages(), true});
        if (!listing) {
            ReportFileError(input, listing.ErrorMessage());
            ok = false;
            continue;
        }
        if (listing->List.Images.empty()) {
            ReportFileError(input, NoIconsMessage(listing->List));
            ok = false;
            continue;
        }
        ok = ExtractImages(input, *listing, UniqueStem(input, stems), options.Png, out) && ok;
    }
    out.Commit();
    return ok && out.Ok() ? ExitOk : ExitFailure;
}

}  // namespace gf::cli
