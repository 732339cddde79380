#pragma once
// Running a program of the build as a separate process, as a user's shell would, and collecting
// what it printed and its exit status.

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace gf::test {

struct ProcessResult {
    int ExitCode = -1;
    std::string Out;  // standard output
    std::string Err;  // standard error
};

inline std::string ShellQuote(const std::string& s) {
#ifdef _WIN32
    return "\"" + s + "\"";
#else
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
#endif
}

// Runs `program` with `args`; standard error goes through a file beside `scratch` so the two
// streams stay apart.
inline ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                const std::string& scratch) {
    std::string command = ShellQuote(program);
    for (const auto& a : args)
        command += " " + ShellQuote(a);
    const std::string errFile = scratch + ".stderr";
    command += " 2>" + ShellQuote(errFile);
    ProcessResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.Out.append(buffer.data(), n);
    int status = pclose(pipe);
#ifdef _WIN32
    result.ExitCode = status;
#else
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    if (std::FILE* err = std::fopen(errFile.c_str(), "rb")) {
        while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), err))
            result.Err.append(buffer.data(), n);
        std::fclose(err);
        std::remove(errFile.c_str());
    }
    return result;
}

}  // namespace gf::test
