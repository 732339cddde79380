// glyphforge-cli: the program's conversion pipeline without windows.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "cli/commands.h"

namespace {

struct Command {
    const char* Name;
    const char* Summary;
    int (*Run)(const gf::cli::Args&);
};

constexpr Command Commands[] = {
    {"convert", "convert a BMP, PNG, JPEG, GIF or WMF picture into an icon file",
     gf::cli::RunConvert},
    {"list", "list the icon images of ICO, CUR and executable files", gf::cli::RunList},
    {"extract", "write every icon image of files as one-image ICO (or PNG) files",
     gf::cli::RunExtract},
    {"pack", "join the icon images of ICO, CUR and executable files into one ICO file",
     gf::cli::RunPack},
    {"thumbnail", "write the picture a file manager shows for an icon or executable file",
     gf::cli::RunThumbnail},
    {"check", "report what other readers trip over in ICO and CUR files, and fix it",
     gf::cli::RunCheck},
};

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "Usage: glyphforge-cli COMMAND [ARGS...]\n"
                 "       glyphforge-cli --version\n\nCommands:\n");
    for (const auto& c : Commands)
        std::fprintf(to, "  %-10s %s\n", c.Name, c.Summary);
    std::fprintf(to, "\nRun 'glyphforge-cli COMMAND --help' for a command's options.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return gf::cli::ExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return gf::cli::ExitOk;
    }
    if (name == "--version") {
        std::printf("glyphforge-cli %s\n", GF_VERSION);
        return gf::cli::ExitOk;
    }
    for (const auto& c : Commands) {
        if (name == c.Name) {
            try {
                return c.Run(gf::cli::Args(argv + 2, argv + argc));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "glyphforge-cli: %s\n", e.what());
                return gf::cli::ExitFailure;
            }
        }
    }
    std::fprintf(stderr, "glyphforge-cli: unknown command '%s'\n\n", name.c_str());
    PrintUsage(stderr);
    return gf::cli::ExitUsage;
}
