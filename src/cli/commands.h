#pragma once
// The commands of glyphforge-cli. Each takes its own arguments (after the command name) and
// returns the process exit code: 0 ok, 1 nothing found or bad input, 2 usage.

#include <optional>
#include <string>
#include <vector>

namespace gf::cli {

using Args = std::vector<std::string>;

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

int RunConvert(const Args& args);
int RunList(const Args& args);
int RunExtract(const Args& args);
int RunPack(const Args& args);
int RunThumbnail(const Args& args);
int RunCheck(const Args& args);

// For the commands' argument parsers: a decimal number lo..hi written with digits only (no
// sign, no blanks), or nullopt.
std::optional<int> ParseInt(const std::string& text, int lo, int hi);

// Reports a usage error of `command` with a hint to its help; returns ExitUsage.
int UsageError(const char* command, const std::string& error);

}  // namespace gf::cli
