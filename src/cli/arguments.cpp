// Pieces the commands' argument parsers share.

#include <cstdio>

#include "cli/commands.h"

namespace gf::cli {

std::optional<int> ParseInt(const std::string& text, int lo, int hi) {
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

int UsageError(const char* command, const std::string& error) {
    std::fprintf(stderr, "glyphforge-cli %s: %s\nTry 'glyphforge-cli %s --help'.\n", command,
                 error.c_str(), command);
    return ExitUsage;
}

}  // namespace gf::cli
