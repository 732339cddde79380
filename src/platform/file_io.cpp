#include "platform/file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <utility>
#include <cstdio>
#include <limits>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#endif

namespace gf {

namespace fs = std::filesystem;

#ifndef _WIN32
namespace {

// Files from this size on are mapped: below it, the one or two reads a small file takes cost
// less than mapping and unmapping it.
constexpr std::uint64_t MapFromBytes = 64 * 1024;

// A read from a mapped file that another program shrinks meanwhile touches a page that is gone,
// and the system signals SIGBUS. The read under way then fails instead: it copies under a
// recovery point of its own thread, to which the handler returns. Any other SIGBUS goes on as
// it would have without us.
thread_local sigjmp_buf* volatile MappedCopyRecovery = nullptr;
struct sigaction BusErrorBefore {};

void OnBusError(int signal, siginfo_t* info, void* context) {
    if (sigjmp_buf* recovery = MappedCopyRecovery) {
        MappedCopyRecovery = nullptr;
        siglongjmp(*recovery, 1);
    }
    if (BusErrorBefore.sa_flags & SA_SIGINFO) {
        BusErrorBefore.sa_sigaction(signal, info, context);
    } else if (BusErrorBefore.sa_handler != SIG_DFL && BusErrorBefore.sa_handler != SIG_IGN) {
        BusErrorBefore.sa_handler(signal);
    } else {
        // The default again: a faulting access runs again and ends the program as it would
        // have, a signal sent by someone is sent once more.
        ::sigaction(SIGBUS, &BusErrorBefore, nullptr);
        if (info->si_code <= 0)
            ::raise(signal);
    }
}

bool CatchBusErrors() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        // Not deferred: the handler leaves by a jump, which would otherwise keep SIGBUS blocked.
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        installed = ::sigaction(SIGBUS, &action, &BusErrorBefore) == 0;
    });
    return installed;
}

bool CopyFromMap(std::uint8_t* to, const std::uint8_t* from, std::size_t size) {
    sigjmp_buf recovery;
    if (sigsetjmp(recovery, 0) != 0)
        return false;  // the file shrank under the read
    // The fences keep the copy between setting the recovery point and clearing it.
    MappedCopyRecovery = &recovery;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(to, from, size);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    MappedCopyRecovery = nullptr;
    return true;
}

}  // namespace
#endif

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
    // Straight into the vector: the whole file (at the size it had a moment ago, and one byte
    // more to see its end) in one read, then whatever it has grown by.
    std::vector<std::uint8_t> data;
    std::error_code sizeError;
    const std::uintmax_t expected = fs::file_size(path, sizeError);
    std::size_t want = !sizeError && expected < maxBytes ? static_cast<std::size_t>(expected) + 1
                                                          : std::size_t{65536};
    bool tooBig = false;
    int readErrno = 0;
    for (;;) {
        const std::size_t had = data.size();
        data.resize(had + want);
        errno = 0;
        const std::size_t n = std::fread(data.data() + had, 1, want, f);
        readErrno = errno;
        data.resize(had + n);
        if (n == 0)
            break;
        if (data.size() > maxBytes) {
            tooBig = true;
            break;
        }
        want = 65536;
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
    if (S_ISREG(st.st_mode) && file.FileSize >= MapFromBytes &&
        file.FileSize <= std::numeric_limits<std::size_t>::max() && CatchBusErrors()) {
        void* map = ::mmap(nullptr, static_cast<std::size_t>(file.FileSize), PROT_READ,
                           MAP_PRIVATE, file.Fd, 0);
        if (map != MAP_FAILED) {
            // The mapping holds the file; its descriptor is not needed any more.
            file.Map = static_cast<const std::uint8_t*>(map);
            ::close(file.Fd);
            file.Fd = -1;
        }
    }
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
        Map = std::exchange(other.Map, nullptr);
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
    if (Map)
        ::munmap(const_cast<std::uint8_t*>(Map), static_cast<std::size_t>(FileSize));
    Map = nullptr;
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
    if (Map)
        return out.empty() || CopyFromMap(out.data(), Map + offset, out.size());
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

Status CopyFileAtomic(const fs::path& from, const fs::path& to, ReadOnlyTarget readOnly) {
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(from);
    if (!bytes)
        return bytes.GetError();
    return WriteFileAtomic(to, *bytes, DiskFlush::Yes, readOnly);
}

}  // namespace gf
