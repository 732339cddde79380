// The one atomic writer behind every save (AtomicFileBatch, WriteFileAtomic): temporary file
// beside the target, durable, then put in place keeping what the old file had.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gf {

namespace fs = std::filesystem;

namespace {

// A batch keeps its temporary files open until Commit, as many as the descriptor limit leaves
// room for (raised for the purpose where it can be): an open anonymous file needs no name and
// no rename. Beyond that room, or when the system runs out of descriptors, files wait closed
// under their hidden names. Every process has room for at least this many.
constexpr std::size_t MaxOpenTemporaries = 64;

// Our temporary files of a target named NAME are "." + NAME + "." + 12 hex digits + ".tmp"
// (NAME cut to 200 bytes, so the whole stays within a file name's 255).
std::string TemporaryPrefix(const fs::path& target) {
    std::string name = target.filename().string();
    if (name.size() > 200)
        name.resize(200);
    return "." + name + ".";
}

constexpr std::size_t TemporaryTailSize = 12 + 4;  // hex digits, ".tmp"

bool IsTemporaryOf(const std::string& entry, const std::string& prefix) {
    if (entry.size() != prefix.size() + TemporaryTailSize || entry.compare(0, prefix.size(), prefix))
        return false;
    for (std::size_t i = prefix.size(); i < prefix.size() + 12; ++i) {
        const char c = entry[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return entry.compare(entry.size() - 4, 4, ".tmp") == 0;
}

// Whether a folder entry has the shape of any of our temporary files.
bool LooksTemporary(const std::string& entry) {
    if (entry.size() < 2 + TemporaryTailSize || entry[0] != '.')
        return false;
    const std::size_t dot = entry.size() - TemporaryTailSize - 1;
    return entry[dot] == '.' && IsTemporaryOf(entry, entry.substr(0, dot + 1));
}

std::string TemporaryName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    static const unsigned seed = std::random_device{}();
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "%08x%04x.tmp", seed, counter.fetch_add(1) & 0xFFFFu);
    return TemporaryPrefix(target) + suffix;
}

fs::path FolderOf(const fs::path& target) {
    fs::path folder = target.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

#ifndef _WIN32

namespace {

// What the target was when its save began.
struct TargetState {
    bool Exists = false;
    struct stat Stat {};
};

// The file `path` names once symlinks in its last component are followed (the path itself
// when it is not a link, including when nothing is there yet), and what is there: one lstat
// for a target that is no link.
Result<fs::path> FollowLinks(const fs::path& path, TargetState& state) {
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat& st = state.Stat;
        state.Exists = ::lstat(current.c_str(), &st) == 0;
        if (!state.Exists || !S_ISLNK(st.st_mode))
            return current;
        state.Exists = false;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0)
            return ErrorWithCause("Can not write file " + PathText(path), errno);
        link.resize(static_cast<std::size_t>(n));
        const fs::path to(link);
        current = to.is_absolute() ? to : current.parent_path() / to;
    }
    return ErrorWithCause("Can not write file " + PathText(path), ELOOP);
}

// Read-only for us by the mode bits (no write bit at all, which holds for root too), or by the
// system's own verdict for this process (the bits of our class, access lists).
bool IsReadOnly(const fs::path& path, const struct stat& st) {
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Opens a candidate stale file of ours; -1 when it cannot be opened at all.
int OpenForLock(int folderFd, const std::string& entry) {
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::openat(folderFd, entry.c_str(), O_RDONLY | flags);
    if (fd < 0)
        fd = ::openat(folderFd, entry.c_str(), O_WRONLY | flags);
    return fd;
}

// Removes `entry` when it is a regular file of ours that no save holds locked.
void RemoveIfStale(int folderFd, const std::string& entry) {
    const int fd = OpenForLock(folderFd, entry);
    if (fd < 0)
        return;
    struct stat held {}, now {};
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(folderFd, entry.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_dev == held.st_dev && now.st_ino == held.st_ino)
        ::unlinkat(folderFd, entry.c_str(), 0);
    ::close(fd);
}

// The signals that end a program by default, held back while files are put in place, so an
// interrupt lands before or after, never between linking a file in and renaming it.
class EndingSignalsHeld {
  public:
    EndingSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
            sigaddset(&set, s);
        Held = ::pthread_sigmask(SIG_BLOCK, &set, &Before) == 0;
    }
    ~EndingSignalsHeld() {
        if (Held)
            ::pthread_sigmask(SIG_SETMASK, &Before, nullptr);
    }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;

  private:
    sigset_t Before;
    bool Held = false;
};

bool CopyContents(int from, int to, off_t& size) {
    char buffer[65536];
    size = 0;
    for (;;) {
        const ssize_t n = ::pread(from, buffer, sizeof buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::pwrite(to, buffer + done, static_cast<std::size_t>(n - done),
                                       size + done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
        size += n;
    }
}

// Gives the anonymous file `fd` the name `to` (failing with EEXIST when that name is taken).
bool LinkAnonymous(int fd, const fs::path& to) {
    char proc[32];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, proc, AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without /proc, only a process that may open files by handle can link by descriptor.
    return ::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0;
}

// Writes all of `data` at the descriptor's position; false with errno set when it cannot.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A stream for writers that produce a file in pieces, writing into `*fd` through `buffer`
// (StreamBufferBytes); closing it leaves the descriptor open. Where the C library can, the
// stream has no descriptor of its own, so it costs no dup and no stat for its buffer's size.
constexpr std::size_t StreamBufferBytes = 64 * 1024;

std::FILE* StreamInto(int* fd, char* buffer) {
    std::FILE* f = nullptr;
#if defined(__linux__)
    cookie_io_functions_t io{};
    io.write = [](void* cookie, const char* data, std::size_t size) -> ssize_t {
        return WriteAll(*static_cast<int*>(cookie), reinterpret_cast<const std::uint8_t*>(data),
                        size)
                   ? static_cast<ssize_t>(size)
                   : -1;
    };
    io.close = [](void*) { return 0; };
    f = ::fopencookie(fd, "w", io);
#else
    const int copy = ::dup(*fd);
    f = copy >= 0 ? ::fdopen(copy, "wb") : nullptr;
    if (!f && copy >= 0) {
        const int failure = errno;
        ::close(copy);
        errno = failure;
    }
#endif
    if (f)
        std::setvbuf(f, buffer, _IOFBF, StreamBufferBytes);
    return f;
}

// The descriptor limit, raised to the system's ceiling while a batch holds more temporary
// files open than it allows (extracting a few thousand icons at once), and put back when the
// last such batch ends, so programs started later get the usual limit.
std::mutex DescriptorLimitLock;
int DescriptorLimitHolders = 0;
struct rlimit DescriptorLimitBefore {};

bool RaiseDescriptorLimit() {
    const std::lock_guard<std::mutex> hold(DescriptorLimitLock);
    if (DescriptorLimitHolders == 0) {
        struct rlimit now {};
        if (::getrlimit(RLIMIT_NOFILE, &now) != 0 || now.rlim_cur >= now.rlim_max)
            return false;
        struct rlimit raised = now;
        raised.rlim_cur = now.rlim_max;
#ifdef OPEN_MAX
        raised.rlim_cur = std::min<rlim_t>(raised.rlim_cur, OPEN_MAX);
#endif
        if (::setrlimit(RLIMIT_NOFILE, &raised) != 0)
            return false;
        DescriptorLimitBefore = now;
    }
    ++DescriptorLimitHolders;
    return true;
}

void ReleaseDescriptorLimit() {
    const std::lock_guard<std::mutex> hold(DescriptorLimitLock);
    if (--DescriptorLimitHolders == 0)
        (void)::setrlimit(RLIMIT_NOFILE, &DescriptorLimitBefore);
}

// How many temporary files a batch keeps open under the present descriptor limit: all it
// allows but a reserve for what the rest of the program opens meanwhile.
std::size_t OpenTemporaryRoom() {
    struct rlimit now {};
    if (::getrlimit(RLIMIT_NOFILE, &now) != 0)
        return MaxOpenTemporaries;
    const std::size_t limit = static_cast<std::size_t>(std::min<rlim_t>(now.rlim_cur, 1 << 20));
    return std::max(MaxOpenTemporaries, limit - std::min<std::size_t>(limit / 2, 256));
}

}  // namespace

struct AtomicFileBatch::Pending {
    fs::path Target;      // as the caller named it, for messages
    fs::path Real;        // the file it names once links are followed
    TargetState Old;
    int Fd = -1;          // the temporary file while it is open
    fs::path Temporary;   // its hidden name; empty while it is anonymous
    Status Written;
};

struct AtomicFileBatch::Folder {
    fs::path Path;
    std::vector<std::string> Stale;  // entries shaped like our temporary files
};

namespace {

void Discard(int& fd, fs::path& temporary) {
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    temporary.clear();
}

// A fresh temporary file in `folder`: anonymous where the file system can, else named, created
// exclusively and locked. `mode` before the umask.
int CreateTemporary(const fs::path& folder, const fs::path& target, mode_t mode,
                    fs::path& named, int& failure) {
    int fd = -1;
#ifdef O_TMPFILE
    // Nobody can see an anonymous file, so it needs its lock only once it gets a name.
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd >= 0) {
        named.clear();
        return fd;
    }
    failure = errno;
    if (failure != EOPNOTSUPP && failure != EISDIR && failure != EINVAL)
        return -1;
#endif
    for (int attempt = 0; attempt < 8; ++attempt) {
        const fs::path candidate = folder / TemporaryName(target);
        fd = ::open(candidate.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0) {
            failure = errno;
            if (failure != EEXIST)
                return -1;
            continue;
        }
        // A cleaner that opened it in the instant before the lock may have removed it.
        struct stat held {}, now {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            ::lstat(candidate.c_str(), &now) == 0 && now.st_ino == held.st_ino &&
            now.st_dev == held.st_dev) {
            named = candidate;
            return fd;
        }
        ::close(fd);
        failure = EEXIST;
    }
    return -1;
}

// Gives an anonymous temporary file its hidden name beside the target, locked first so that
// no other save takes it for a killed save's leftover.
bool NameTemporary(int fd, const fs::path& folder, const fs::path& target, fs::path& named) {
    (void)::flock(fd, LOCK_EX | LOCK_NB);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const fs::path candidate = folder / TemporaryName(target);
        if (LinkAnonymous(fd, candidate)) {
            named = candidate;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Syncs each written file by itself. One verdict per file, as MakeDurable's.
template <class Files>
std::vector<bool> SyncEach(Files& files) {
    std::vector<bool> ok(files.size(), true);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i].Written)
            continue;
        const int fd = files[i].Fd >= 0 ? files[i].Fd
                                        : ::open(files[i].Temporary.c_str(), O_RDONLY | O_CLOEXEC);
        ok[i] = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0 && fd != files[i].Fd)
            ::close(fd);
    }
    return ok;
}

// Up to this many files a batch syncs each file by itself. A file system sync also writes out
// whatever other programs left dirty on it, so for a save of one or two files its cost has no
// bound (a copy in progress elsewhere makes it seconds); for many files it is the cheaper one.
constexpr std::size_t SyncEachUpTo = 3;

// Makes the files durable that were written without a flush, before any takes its name: on
// Linux, for more than a few files, one sync of the file system of each folder involved (a
// sync per file would cost a cache flush of the disk each); else one sync per file. One
// verdict per file (true for those not written); false when its sync failed, and then it must
// not be taken as written.
template <class Files>
std::vector<bool> MakeDurable(Files& files) {
#if defined(__linux__)
    const auto written = static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(), [](const auto& f) { return bool(f.Written); }));
    if (written <= SyncEachUpTo)
        return SyncEach(files);
    std::vector<bool> ok(files.size(), true);
    std::vector<std::pair<fs::path, bool>> folders;
    std::vector<std::pair<dev_t, bool>> devices;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!files[i].Written)
            continue;
        fs::path folder = FolderOf(files[i].Real);
        auto seen = std::find_if(folders.begin(), folders.end(),
                                 [&](const auto& f) { return f.first == folder; });
        if (seen == folders.end()) {
            const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat st {};
            bool synced = false;
            if (fd >= 0 && ::fstat(fd, &st) == 0) {
                auto known = std::find_if(devices.begin(), devices.end(),
                                          [&](const auto& d) { return d.first == st.st_dev; });
                if (known != devices.end()) {
                    synced = known->second;
                } else {
                    synced = ::syncfs(fd) == 0;
                    devices.emplace_back(st.st_dev, synced);
                }
            }
            if (fd >= 0)
                ::close(fd);
            folders.emplace_back(std::move(folder), synced);
            seen = folders.end() - 1;
        }
        ok[i] = seen->second;
    }
    return ok;
#else
    return SyncEach(files);
#endif
}

}  // namespace

AtomicFileBatch::AtomicFileBatch(Durability durability, ReadOnlyTarget readOnly)
    : Mode(durability), ReadOnly(readOnly) {}

AtomicFileBatch::~AtomicFileBatch() {
    Abandon();
}

bool AtomicFileBatch::AllWritten() const {
    return std::all_of(Files.begin(), Files.end(), [](const Pending& p) { return p.Written.Ok(); });
}

void AtomicFileBatch::Abandon() {
    for (Pending& p : Files)
        Discard(p.Fd, p.Temporary);
    Files.clear();
    Folders.clear();
    EndBatch();
}

void AtomicFileBatch::EndBatch() {
    OpenFiles = 0;
    OpenRoom = MaxOpenTemporaries;
    if (LimitRaised)
        ReleaseDescriptorLimit();
    LimitRaised = false;
}

void AtomicFileBatch::MakeRoom() {
    OpenRoom = std::max(OpenRoom, OpenTemporaryRoom());
    if (OpenFiles > OpenRoom && !LimitRaised && RaiseDescriptorLimit()) {
        LimitRaised = true;
        OpenRoom = std::max(OpenRoom, OpenTemporaryRoom());
    }
}

void AtomicFileBatch::ParkOpenFiles(std::size_t count) {
    for (auto p = Files.rbegin(); p != Files.rend() && count > 0; ++p) {
        if (p->Fd < 0)
            continue;
        if (p->Temporary.empty() &&
            !NameTemporary(p->Fd, FolderOf(p->Real), p->Real, p->Temporary))
            continue;
        ::close(p->Fd);
        p->Fd = -1;
        --OpenFiles;
        --count;
    }
}

Status AtomicFileBatch::AddWith(const fs::path& path,
                                const std::function<bool(std::FILE*)>& produce) {
    return AddFile(path, [&](int fd) {
        int streamFd = fd;
        const std::unique_ptr<char[]> buffer(new char[StreamBufferBytes]);
        std::FILE* f = StreamInto(&streamFd, buffer.get());
        if (!f)
            return false;
        // The first failure's reason is the one to tell (a full disk, not the close after it).
        errno = 0;
        bool ok = produce(f) && std::fflush(f) == 0;
        const int failure = errno;
        ok = std::fclose(f) == 0 && ok;
        if (failure)
            errno = failure;
        return ok;
    });
}

Status AtomicFileBatch::Add(const fs::path& path, std::span<const std::uint8_t> data) {
    return AddFile(path, [&](int fd) { return WriteAll(fd, data.data(), data.size()); });
}

Status AtomicFileBatch::AddFile(const fs::path& path, const std::function<bool(int)>& write) {
    Pending pending;
    pending.Target = path;
    auto fail = [&](Error error) {
        Discard(pending.Fd, pending.Temporary);
        pending.Written = Status(error);
        Files.push_back(std::move(pending));
        return Status(std::move(error));
    };
    if (path.empty())
        return fail(Error{"No file name was given."});
    Result<fs::path> real = FollowLinks(path, pending.Old);
    if (!real)
        return fail(real.GetError());
    pending.Real = std::move(*real);
    const std::string shown = PathText(path);
    if (pending.Old.Exists) {
        if (S_ISDIR(pending.Old.Stat.st_mode))
            return fail(Error{"Can not write " + shown + ": it is a folder."});
        if (!S_ISREG(pending.Old.Stat.st_mode))
            return fail(Error{"Can not write " + shown + ": it is not a regular file."});
        if (ReadOnly == ReadOnlyTarget::Refuse && IsReadOnly(pending.Real, pending.Old.Stat))
            return fail(Error{"Can not write file " + shown + ": the file is read-only",
                              "the file is read-only"});
    }

    // Our own leftovers of this target from a save that was killed go first; the folder is
    // listed once per batch.
    const fs::path folder = FolderOf(pending.Real);
    auto known = std::find_if(Folders.begin(), Folders.end(),
                              [&](const Folder& f) { return f.Path == folder; });
    if (known == Folders.end()) {
        Folder seen{folder, {}};
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* e = ::readdir(dir)) {
                if (LooksTemporary(e->d_name))
                    seen.Stale.emplace_back(e->d_name);
            }
            ::closedir(dir);
        }
        Folders.push_back(std::move(seen));
        known = Folders.end() - 1;
    }
    if (!known->Stale.empty()) {
        const std::string prefix = TemporaryPrefix(pending.Real);
        const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        auto& stale = known->Stale;
        stale.erase(std::remove_if(stale.begin(), stale.end(),
                                   [&](const std::string& entry) {
                                       if (!IsTemporaryOf(entry, prefix))
                                           return false;
                                       if (folderFd >= 0)
                                           RemoveIfStale(folderFd, entry);
                                       return true;
                                   }),
                    stale.end());
        if (folderFd >= 0)
            ::close(folderFd);
    }

    // A new file gets the usual mode under the umask; a replacement stays private until it
    // takes the old file's mode as it goes in place.
    int failure = 0;
    const mode_t mode = pending.Old.Exists ? 0600 : 0666;
    pending.Fd = CreateTemporary(folder, pending.Real, mode, pending.Temporary, failure);
    if (pending.Fd < 0 && (failure == EMFILE || failure == ENFILE) && OpenFiles > 0) {
        // Out of descriptors after all (the program holds more than was reckoned with): some of
        // the waiting files close under their names, and no more are held open from now on.
        ParkOpenFiles(std::min<std::size_t>(OpenFiles, 16));
        OpenRoom = OpenFiles;
        pending.Fd = CreateTemporary(folder, pending.Real, mode, pending.Temporary, failure);
    }
    if (pending.Fd < 0)
        return fail(ErrorWithCause("Can not create file " + shown, failure));

    errno = 0;
    bool ok = write(pending.Fd) && (Mode != Durability::FlushEach || ::fsync(pending.Fd) == 0);
    if (!ok)
        return fail(ErrorWithCause("Can not write file " + shown, errno));

    // Open files wait for Commit as they are, as many as there is room for; the rest wait
    // closed under their hidden names.
    if (++OpenFiles > OpenRoom)
        MakeRoom();
    if (OpenFiles > OpenRoom) {
        if (pending.Temporary.empty() &&
            !NameTemporary(pending.Fd, folder, pending.Real, pending.Temporary))
            return fail(ErrorWithCause("Can not create file " + shown, errno));
        ::close(pending.Fd);
        pending.Fd = -1;
        --OpenFiles;
    }
    Files.push_back(std::move(pending));
    return Status::Success();
}

namespace {

// Puts one written temporary file in place of its target. errno-style failure, 0 when done.
int PutInPlace(const fs::path& folder, const fs::path& real, const TargetState& old, int& fd,
               fs::path& temporary, bool durable) {
    if (old.Exists && old.Stat.st_nlink > 1) {
        // Every name of the file must see the new contents: copy them in.
        int from = fd >= 0 ? fd : ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        int to = ::open(real.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        off_t size = 0;
        int failure = 0;
        errno = 0;
        if (from < 0 || to < 0 || !CopyContents(from, to, size) || ::ftruncate(to, size) != 0 ||
            (durable && ::fsync(to) != 0))
            failure = errno ? errno : EIO;
        if (to >= 0 && ::close(to) != 0 && !failure)
            failure = errno;
        if (from >= 0 && from != fd)
            ::close(from);
        Discard(fd, temporary);
        return failure;
    }
    if (old.Exists) {
        // The old owner and group where we may give them (root, or a group of ours), then the
        // old mode (after the owner, which would clear set-user-ID bits).
        const struct stat& st = old.Stat;
        if (fd >= 0) {
            if (::fchown(fd, st.st_uid, st.st_gid) != 0)
                (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
            (void)::fchmod(fd, st.st_mode & 07777);
        } else {
            // A temporary file of ours waiting closed under its hidden name.
            if (::lchown(temporary.c_str(), st.st_uid, st.st_gid) != 0)
                (void)::lchown(temporary.c_str(), static_cast<uid_t>(-1), st.st_gid);
            (void)::chmod(temporary.c_str(), st.st_mode & 07777);
        }
    }
    if (temporary.empty()) {
        // An anonymous file: a new target takes its name directly; any other goes in under a
        // hidden name first, since a link never replaces.
        if (!old.Exists && LinkAnonymous(fd, real)) {
            Discard(fd, temporary);
            return 0;
        }
        if (!NameTemporary(fd, folder, real, temporary)) {
            const int failure = errno ? errno : EIO;
            Discard(fd, temporary);
            return failure;
        }
    }
    if (::rename(temporary.c_str(), real.c_str()) != 0) {
        const int failure = errno;
        Discard(fd, temporary);
        return failure;
    }
    temporary.clear();
    Discard(fd, temporary);
    return 0;
}

}  // namespace

std::vector<Status> AtomicFileBatch::Commit() {
    std::vector<Pending> files = std::move(Files);
    Files.clear();
    Folders.clear();
    const std::vector<bool> durable =
        Mode == Durability::FlushTogether ? MakeDurable(files) : std::vector<bool>(files.size(), true);
    std::vector<Status> results;
    results.reserve(files.size());
    const EndingSignalsHeld held;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Pending& p = files[i];
        if (!p.Written) {
            results.push_back(p.Written);
            continue;
        }
        int failure = durable[i] ? 0 : EIO;
        if (failure)
            Discard(p.Fd, p.Temporary);
        else
            failure = PutInPlace(FolderOf(p.Real), p.Real, p.Old, p.Fd, p.Temporary,
                                 Mode != Durability::None);
        results.push_back(failure ? Status(ErrorWithCause(
                                        "Can not write file " + PathText(p.Target), failure))
                                  : Status::Success());
    }
    EndBatch();
    return results;
}

#else  // _WIN32: temporary file and rename; the system keeps no mode or owner to carry over.

struct AtomicFileBatch::Pending {
    fs::path Target;
    fs::path Temporary;
    Status Written;
};

struct AtomicFileBatch::Folder {};

AtomicFileBatch::AtomicFileBatch(Durability durability, ReadOnlyTarget readOnly)
    : Mode(durability), ReadOnly(readOnly) {}

AtomicFileBatch::~AtomicFileBatch() {
    Abandon();
}

void AtomicFileBatch::Abandon() {
    std::error_code ec;
    for (const Pending& p : Files) {
        if (!p.Temporary.empty())
            fs::remove(p.Temporary, ec);
    }
    Files.clear();
}

bool AtomicFileBatch::AllWritten() const {
    return std::all_of(Files.begin(), Files.end(), [](const Pending& p) { return p.Written.Ok(); });
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
    if (ReadOnly == ReadOnlyTarget::Refuse && fs::exists(path, ec) &&
        (fs::status(path, ec).permissions() & fs::perms::owner_write) == fs::perms::none)
        return fail(Error{"Can not write file " + PathText(path) + ": the file is read-only",
                          "the file is read-only"});
    fs::path temp;
    std::FILE* f = nullptr;
    int failure = 0;
    for (int attempt = 0; attempt < 8 && !f; ++attempt) {
        temp = FolderOf(path) / TemporaryName(path);
        errno = 0;
        f = _wfopen(temp.c_str(), L"wbx");
        failure = errno;
    }
    if (!f)
        return fail(ErrorWithCause("Can not create file " + PathText(path), failure));
    errno = 0;
    bool ok = produce(f) && std::fflush(f) == 0;
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

std::vector<Status> AtomicFileBatch::Commit() {
    std::vector<Pending> files = std::move(Files);
    Files.clear();
    std::vector<Status> results;
    std::error_code ec;
    for (Pending& p : files) {
        if (p.Temporary.empty()) {
            results.push_back(p.Written);
            continue;
        }
        std::error_code failure;
        fs::rename(p.Temporary, p.Target, failure);
        if (failure) {
            fs::remove(p.Temporary, ec);
            results.push_back(ErrorWithCause("Can not write file " + PathText(p.Target), failure));
        } else {
            results.push_back(Status::Success());
        }
    }
    return results;
}

Status AtomicFileBatch::Add(const fs::path& path, std::span<const std::uint8_t> data) {
    return AddWith(path, [&](std::FILE* f) {
        return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    });
}

#endif

Status WriteFileAtomicWith(const fs::path& path, const std::function<bool(std::FILE*)>& produce,
                           DiskFlush flush, ReadOnlyTarget readOnly) {
    AtomicFileBatch batch(flush == DiskFlush::Yes ? AtomicFileBatch::Durability::FlushEach
                                                  : AtomicFileBatch::Durability::None,
                          readOnly);
    Status written = batch.AddWith(path, produce);
    if (!written)
        return written;
    return batch.Commit().front();
}

Status WriteFileAtomic(const fs::path& path, std::span<const std::uint8_t> data, DiskFlush flush,
                       ReadOnlyTarget readOnly) {
    return WriteFileAtomicWith(
        path,
        [&](std::FILE* f) {
            return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
        },
        flush, readOnly);
}

}  // namespace gf
