// The one atomic writer behind every save (AtomicFileBatch, WriteFileAtomic): temporary file
// beside the target, durable, then put in place keeping what the old file had.

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include "platform/file_io.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gf {

namespace fs = std::filesystem;

namespace {

// A batch keeps at most this many temporary files open; the rest are closed under their
// hidden names until Commit, so a tool writing thousands of files stays within the
// descriptor limit.
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
// when it is not a link, including when nothing is there yet).
Result<fs::path> FollowLinks(const fs::path& path) {
    fs::path current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
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

std::string ProcPathOf(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

// Gives the anonymous file `fd` the name `to` (failing with EEXIST when that name is taken).
bool LinkAnonymous(int fd, const fs::path& to) {
    if (::linkat(AT_FDCWD, ProcPathOf(fd).c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without /proc, only a process that may open files by handle can link by descriptor.
    return ::linkat(fd, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0;
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
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    if (fd >= 0) {
        (void)::flock(fd, LOCK_EX | LOCK_NB);
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

// Gives an anonymous temporary file its hidden name beside the target.
bool NameTemporary(int fd, const fs::path& folder, const fs::path& target, fs::path& named) {
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

// Makes the files durable that were written without a flush: on Linux one sync of the file
// system of each folder involved (each folder opened once), elsewhere one sync per file. One
// verdict per file; false when its sync failed, and then it must not be taken as written.
std::vector<bool> MakeDurable(const std::vector<fs::path>& folders,
                              const std::vector<std::pair<int, fs::path>>& files) {
    std::vector<bool> ok(folders.size(), true);
#if defined(__linux__)
    (void)files;
    std::vector<std::pair<fs::path, bool>> seen;
    std::vector<std::pair<dev_t, bool>> devices;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        auto known = std::find_if(seen.begin(), seen.end(),
                                  [&](const auto& f) { return f.first == folders[i]; });
        if (known != seen.end()) {
            ok[i] = known->second;
            continue;
        }
        int fd = ::open(folders[i].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat st {};
        bool synced = false;
        if (fd >= 0 && ::fstat(fd, &st) == 0) {
            auto device = std::find_if(devices.begin(), devices.end(),
                                       [&](const auto& d) { return d.first == st.st_dev; });
            if (device != devices.end()) {
                synced = device->second;
            } else {
                synced = ::syncfs(fd) == 0;
                devices.emplace_back(st.st_dev, synced);
            }
        }
        if (fd >= 0)
            ::close(fd);
        seen.emplace_back(folders[i], synced);
        ok[i] = synced;
    }
#else
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int fd = files[i].first >= 0 ? files[i].first
                                           : ::open(files[i].second.c_str(), O_RDONLY | O_CLOEXEC);
        ok[i] = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0 && fd != files[i].first)
            ::close(fd);
    }
#endif
    return ok;
}

}  // namespace

AtomicFileBatch::AtomicFileBatch(Durability durability, ReadOnlyTarget readOnly)
    : Mode(durability), ReadOnly(readOnly) {}

AtomicFileBatch::~AtomicFileBatch() {
    for (Pending& p : Files)
        Discard(p.Fd, p.Temporary);
}

bool AtomicFileBatch::AllWritten() const {
    return std::all_of(Files.begin(), Files.end(), [](const Pending& p) { return p.Written.Ok(); });
}

void AtomicFileBatch::Abandon() {
    for (Pending& p : Files)
        Discard(p.Fd, p.Temporary);
    Files.clear();
    Folders.clear();
}

Status AtomicFileBatch::AddWith(const fs::path& path,
                                const std::function<bool(std::FILE*)>& produce) {
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
    Result<fs::path> real = FollowLinks(path);
    if (!real)
        return fail(real.GetError());
    pending.Real = *real;
    const std::string shown = PathText(path);
    if (::stat(pending.Real.c_str(), &pending.Old.Stat) == 0) {
        pending.Old.Exists = true;
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
    pending.Fd = CreateTemporary(folder, pending.Real, pending.Old.Exists ? 0600 : 0666,
                                 pending.Temporary, failure);
    if (pending.Fd < 0)
        return fail(ErrorWithCause("Can not create file " + shown, failure));

    const int streamFd = ::dup(pending.Fd);
    std::FILE* f = streamFd >= 0 ? ::fdopen(streamFd, "wb") : nullptr;
    if (!f) {
        failure = errno;
        if (streamFd >= 0)
            ::close(streamFd);
        return fail(ErrorWithCause("Can not create file " + shown, failure));
    }
    // The first failure's reason is the one to tell (a full disk, not the close after it).
    errno = 0;
    bool ok = produce(f) && std::fflush(f) == 0 &&
              (Mode != Durability::FlushEach || ::fsync(pending.Fd) == 0);
    failure = ok ? 0 : errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        failure = errno;
    }
    if (!ok)
        return fail(ErrorWithCause("Can not write file " + shown, failure));

    // Beyond a few open files, the rest wait closed under their hidden names.
    const std::size_t open = static_cast<std::size_t>(
        std::count_if(Files.begin(), Files.end(), [](const Pending& p) { return p.Fd >= 0; }));
    if (open >= MaxOpenTemporaries) {
        if (pending.Temporary.empty() &&
            !NameTemporary(pending.Fd, folder, pending.Real, pending.Temporary))
            return fail(ErrorWithCause("Can not create file " + shown, errno));
        ::close(pending.Fd);
        pending.Fd = -1;
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
    std::vector<bool> durable(files.size(), true);
    if (Mode == Durability::FlushTogether) {
        std::vector<fs::path> folders;
        std::vector<std::pair<int, fs::path>> written;
        std::vector<std::size_t> index;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (files[i].Written) {
                folders.push_back(FolderOf(files[i].Real));
                written.emplace_back(files[i].Fd, files[i].Temporary);
                index.push_back(i);
            }
        }
        std::vector<bool> synced = MakeDurable(folders, written);
        for (std::size_t k = 0; k < index.size(); ++k)
            durable[index[k]] = synced[k];
    }
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

#endif

Status AtomicFileBatch::Add(const fs::path& path, std::span<const std::uint8_t> data) {
    return AddWith(path, [&](std::FILE* f) {
        return data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    });
}

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
