#include "platform/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>
#include <cstdio>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gf {

namespace fs = std::filesystem;

std::string PathText(const fs::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

std::string SystemReason(int errorNumber) {
    return errorNumber == 0 ? std::string() : std::generic_category().message(errorNumber);
}

Error ErrorWithCause(const std::string& what, int errorNumber) {
    std::string reason = SystemReason(errorNumber);
    if (reason.empty())
        return Error{what};
    return Error{what + ": " + reason, reason};
}

Error ErrorWithCause(const std::string& what, const std::error_code& ec) {
    if (!ec)
        return Error{what};
    return Error{what + ": " + ec.message(), ec.message()};
}

std::string WithReasonBelow(const std::string& text, const std::string& reason) {
    return reason.empty() ? text : text + "\n" + reason;
}

Result<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::uint64_t maxBytes) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return ErrorWithCause("Can not open file " + PathText(path), EISDIR);
    errno = 0;
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f)
        return ErrorWithCause("Can not open file " + PathText(path), errno);
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[65536];
    bool tooBig = false;
    int readErrno = 0;
    for (;;) {
        errno = 0;
        std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        readErrno = errno;
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
        return ErrorWithCause("Can not read file " + PathText(path), readErrno);
    return data;
}

Result<RandomAccessFile> RandomAccessFile::Open(const fs::path& path) {
    RandomAccessFile file;
#ifdef _WIN32
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return ErrorWithCause("Can not open file " + PathText(path), EISDIR);
    errno = 0;
    file.File = _wfopen(path.c_str(), L"rb");
    if (!file.File || _fseeki64(file.File, 0, SEEK_END) != 0)
        return ErrorWithCause("Can not open file " + PathText(path), errno);
    const auto end = _ftelli64(file.File);
    if (end < 0)
        return ErrorWithCause("Can not read file " + PathText(path), errno);
    file.FileSize = static_cast<std::uint64_t>(end);
#else
    file.Fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (file.Fd < 0 || ::fstat(file.Fd, &st) != 0)
        return ErrorWithCause("Can not open file " + PathText(path), errno);
    if (S_ISDIR(st.st_mode))
        return ErrorWithCause("Can not open file " + PathText(path), EISDIR);
    file.FileSize = static_cast<std::uint64_t>(st.st_size);
#endif
    return file;
}

RandomAccessFile::RandomAccessFile(RandomAccessFile&& other) noexcept {
    *this = std::move(other);
}

RandomAccessFile& RandomAccessFile::operator=(RandomAccessFile&& other) noexcept {
    if (this != &other) {
        Close();
#ifdef _WIN32
        File = std::exchange(other.File, nullptr);
#else
        Fd = std::exchange(other.Fd, -1);
#endif
        FileSize = other.FileSize;
    }
    return *this;
}

RandomAccessFile::~RandomAccessFile() {
    Close();
}

void RandomAccessFile::Close() {
#ifdef _WIN32
    if (File)
        std::fclose(File);
    File = nullptr;
#else
    if (Fd >= 0)
        ::close(Fd);
    Fd = -1;
#endif
}

bool RandomAccessFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > FileSize || out.size() > FileSize - offset)
        return false;
#ifdef _WIN32
    if (!File || _fseeki64(File, static_cast<__int64>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out.data(), 1, out.size(), File) == out.size();
#else
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(Fd, out.data() + done, out.size() - done,
                            static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
#endif
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

// Makes the files durable that were written without a flush: on Linux one sync of the file
// system of each folder involved, elsewhere on POSIX one sync per file. One verdict per file;
// false when its sync failed, and then it must not be taken as written.
std::vector<bool> MakeDurable(const std::vector<fs::path>& files) {
    std::vector<bool> ok(files.size(), true);
#if defined(__linux__)
    std::vector<fs::path> folders;
    std::vector<bool> folderOk;
    std::vector<dev_t> devices;
    std::vector<bool> deviceOk;
    for (std::size_t i = 0; i < files.size(); ++i) {
        fs::path folder = files[i].parent_path();
        if (folder.empty())
            folder = ".";
        auto known = std::find(folders.begin(), folders.end(), folder);
        if (known != folders.end()) {
            ok[i] = folderOk[static_cast<std::size_t>(known - folders.begin())];
            continue;
        }
        bool synced = false;
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0) {
            auto device = std::find(devices.begin(), devices.end(), st.st_dev);
            if (device != devices.end()) {
                synced = deviceOk[static_cast<std::size_t>(device - devices.begin())];
            } else {
                synced = ::syncfs(fd) == 0;
                devices.push_back(st.st_dev);
                deviceOk.push_back(synced);
            }
        }
        if (fd >= 0)
            ::close(fd);
        folders.push_back(folder);
        folderOk.push_back(synced);
        ok[i] = synced;
    }
#elif !defined(_WIN32)
    for (std::size_t i = 0; i < files.size(); ++i) {
        int fd = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC);
        ok[i] = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
    }
#endif
    return ok;
}

}  // namespace

AtomicFileBatch::~AtomicFileBatch() {
    std::error_code ec;
    for (const Pending& p : Files) {
        if (!p.Temporary.empty())
            fs::remove(p.Temporary, ec);
    }
}

Status AtomicFileBatch::AddWith(const fs::path& path,
                                const std::function<bool(std::FILE*)>& produce) {
    Pending pending{path, {}, Status::Success()};
    auto fail = [&](Status status) {
        pending.Written = status;
        Files.push_back(std::move(pending));
        return status;
    };
    if (path.empty())
        return fail(Error{"No file name was given."});
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return fail(Error{"Can not write " + PathText(path) + ": it is a folder."});

    fs::path temp;
    std::FILE* f = nullptr;
    int failure = 0;
    for (int attempt = 0; attempt < 8 && !f; ++attempt) {
        temp = TemporarySibling(path);
        errno = 0;
        f = std::fopen(temp.string().c_str(), "wbx");
        failure = errno;
    }
    if (!f)
        return fail(ErrorWithCause("Can not create file " + PathText(path), failure));

    // The first failure's reason is the one to tell (a full disk, not the close after it).
    errno = 0;
    bool ok = produce(f) && FlushToDisk(f, Mode == Durability::FlushEach ? DiskFlush::Yes
                                                                          : DiskFlush::No);
    failure = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (!ok) {
        fs::remove(temp, ec);
        return fail(ErrorWithCause("Can not write file " + PathText(path), failure));
    }
    pending.Temporary = temp;
    Files.push_back(std::move(pending));
    return Status::Success();
}

Status AtomicFileBatch::Add(const fs::path& path, std::span<const std::uint8_t> data) {
    return AddWith(path, [&](std::FILE* f) {
        return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    });
}

std::vector<Status> AtomicFileBatch::Commit() {
    std::vector<Pending> files = std::move(Files);
    Files.clear();
    std::vector<bool> durable(files.size(), true);
    if (Mode == Durability::FlushTogether) {
        std::vector<fs::path> written;
        std::vector<std::size_t> index;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (!files[i].Temporary.empty()) {
                written.push_back(files[i].Temporary);
                index.push_back(i);
            }
        }
        std::vector<bool> synced = MakeDurable(written);
        for (std::size_t k = 0; k < index.size(); ++k)
            durable[index[k]] = synced[k];
    }
    std::vector<Status> results;
    results.reserve(files.size());
    std::error_code ec;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Pending& p = files[i];
        if (p.Temporary.empty()) {
            results.push_back(p.Written);
            continue;
        }
        bool ok = durable[i];
        std::error_code failure = ok ? std::error_code() : std::make_error_code(std::errc::io_error);
        if (ok) {
            fs::rename(p.Temporary, p.Target, failure);
            ok = !failure;
        }
        if (!ok) {
            fs::remove(p.Temporary, ec);
            results.push_back(ErrorWithCause("Can not write file " + PathText(p.Target), failure));
        } else {
            results.push_back(Status::Success());
        }
    }
    return results;
}

Status WriteFileAtomicWith(const fs::path& path, const std::function<bool(std::FILE*)>& produce,
                           DiskFlush flush) {
    AtomicFileBatch batch(flush == DiskFlush::Yes ? AtomicFileBatch::Durability::FlushEach
                                                  : AtomicFileBatch::Durability::None);
    Status written = batch.AddWith(path, produce);
    if (!written)
        return written;
    return batch.Commit().front();
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
