#pragma once
// The commands of glyphforge-cli. Each takes its own arguments (after the command name) and
// returns the process exit code: 0 ok, 1 nothing found or bad input, 2 usage.

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

}  // namespace gf::cli
