#include "platform/file_io.h"

#include <atomic>
#include <cstdio>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace gf {

namespace fs = std::filesystem;

std::string PathText(const fs::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

Result<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::uint64_t maxBytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f)
        return Error{"Can not open file " + PathText(path)};
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    bool tooBig = false;
    for (;;) {
        std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        if (n == 0)
            break;
        if (data.size() + n > maxBytes) {
            tooBig = true;
            break;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (tooBig)
        return Error{"The file is too large: " + PathText(path)};
    if (readError)
        return Error{"Can not read file " + PathText(path)};
    return data;
}

namespace {

fs::path TemporarySibling(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    auto name = target.filename().string();
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%08x%04x.tmp", seed, counter.fetch_add(1) & 0xFFFFu);
    return target.parent_path() / ("." + name + suffix);
}

bool FlushToDisk(std::FILE* f, DiskFlush flush) {
    if (std::fflush(f) != 0)
        return false;
#ifndef _WIN32
    if (flush == DiskFlush::Yes && ::fsync(::fileno(f)) != 0)
        return false;
#endif
    return true;
}

}  // namespace

Status WriteFileAtomicWith(const fs::path& path, const std::function<bool(std::FILE*)>& produce,
                           DiskFlush flush) {
    if (path.empty())
        return Error{"No file name was given."};
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return Error{"Can not write " + PathText(path) + ": it is a folder."};

    fs::path temp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 8 && !f; ++attempt) {
        temp = TemporarySibling(path);
        f = std::fopen(temp.string().c_str(), "wbx");
    }
    if (!f)
        return Error{"Can not create file " + PathText(path)};

    bool ok = produce(f) && FlushToDisk(f, flush);
    ok = (std::fclose(f) == 0) && ok;
    if (ok) {
        fs::rename(temp, path, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(temp, ec);
        return Error{"Can not write file " + PathText(path)};
    }
    return Status::Success();
}

Status WriteFileAtomic(const fs::path& path, std::span<const std::uint8_t> data,
                       DiskFlush flush) {
    return WriteFileAtomicWith(
        path,
        [&](std::FILE* f) {
            return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
        },
        flush);
}

Status CopyFileAtomic(const fs::path& from, const fs::path& to) {
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(from);
    if (!bytes)
        return bytes.GetError();
    return WriteFileAtomic(to, *bytes);
}

}  // namespace gf
