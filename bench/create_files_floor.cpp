// The least any program can do to put a set of small files in a folder: for each file one
// open (created), one write and one close, no flush, no temporary name. Run beside the
// extractors, it shows how much of their time is the kernel's cost of creating files, which
// no extractor can go below. With --sync the folder's file system is synced once at the end,
// the durability extract gives its files.
// Usage: create_files_floor [--sync] COUNT BYTES FOLDER
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    int arg = 1;
    const bool sync = argc > 1 && std::strcmp(argv[1], "--sync") == 0;
    if (sync)
        ++arg;
    if (argc - arg != 3) {
        std::fprintf(stderr, "Usage: create_files_floor [--sync] COUNT BYTES FOLDER\n");
        return 2;
    }
    const long count = std::atol(argv[arg]);
    const std::vector<char> bytes(static_cast<std::size_t>(std::atol(argv[arg + 1])), '\x5a');
    const int folder = ::open(argv[arg + 2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        std::perror(argv[arg + 2]);
        return 1;
    }
    for (long i = 0; i < count; ++i) {
        const std::string name = "floor_" + std::to_string(i) + ".ico";
        const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
            ::close(fd) != 0) {
            std::perror(name.c_str());
            return 1;
        }
    }
    if (sync && ::syncfs(folder) != 0) {
        std::perror("syncfs");
        return 1;
    }
    return ::close(folder) == 0 ? 0 : 1;
}
