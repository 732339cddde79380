#include "platform/work_folder.h"

#include "platform/file_io.h"

#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>
#endif

namespace gf {

namespace fs = std::filesystem;

namespace {

fs::path WithSeparator(const fs::path& folder) {
    return folder / "";
}

#ifndef _WIN32

// Opens `dir` without following a symbolic link and checks that it is a folder of this user;
// one that others may enter is made private. -1 when it is not ours to use.
int OpenOwnFolder(const fs::path& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
        ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Takes the lock file inside the open folder. A lock file that was deleted and made anew while
// we waited is not the lock any more, so the name is checked to still be the locked file.
int LockFolder(int dirFd) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd =
            ::openat(dirFd, WorkFolderLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        struct stat held {
        }, named{};
        if (::fstat(fd, &held) == 0 &&
            ::fstatat(dirFd, WorkFolderLockName, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    return -1;
}

int ClaimFolder(const fs::path& dir) {
    int dirFd = OpenOwnFolder(dir);
    if (dirFd < 0)
        return -1;
    int lock = LockFolder(dirFd);
    ::close(dirFd);
    return lock;
}

Result<WorkFolderClaim> ClaimPlatform(const fs::path& tempRoot, const std::string& name) {
    const fs::path shared = tempRoot / name;
    ::mkdir(shared.c_str(), 0700);  // an existing folder is checked below
    if (int lock = ClaimFolder(shared); lock >= 0)
        return WorkFolderClaim(WithSeparator(shared), lock, false);

    std::string pattern = (tempRoot / (name + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        return Error{"Can not create a working folder in " + PathText(tempRoot)};
    const fs::path fresh(buffer.data());
    if (int lock = ClaimFolder(fresh); lock >= 0)
        return WorkFolderClaim(WithSeparator(fresh), lock, true);
    std::error_code ec;
    fs::remove(fresh, ec);
    return Error{"Can not use the working folder " + fresh.string()};
}

void ReleaseLock(const fs::path& folder, std::intptr_t lock) {
    // Deleted while still held, so nobody can take a lock on the old file after us.
    ::unlink((folder / WorkFolderLockName).c_str());
    ::close(static_cast<int>(lock));
}

#else

bool IsPlainFolder(const fs::path& dir) {
    const DWORD attributes = ::GetFileAttributesW(dir.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The temporary folder is the user's own on Windows; the lock is the lock file held open
// without sharing.
std::intptr_t ClaimFolder(const fs::path& dir) {
    if (!IsPlainFolder(dir))
        return WorkFolderClaim::NoLock;
    HANDLE h = ::CreateFileW((dir / WorkFolderLockName).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return WorkFolderClaim::NoLock;
    return reinterpret_cast<std::intptr_t>(h);
}

Result<WorkFolderClaim> ClaimPlatform(const fs::path& tempRoot, const std::string& name) {
    const fs::path shared = tempRoot / name;
    ::CreateDirectoryW(shared.c_str(), nullptr);
    if (std::intptr_t lock = ClaimFolder(shared); lock != WorkFolderClaim::NoLock)
        return WorkFolderClaim(WithSeparator(shared), lock, false);
    for (unsigned n = 0; n < 1000; ++n) {
        const fs::path fresh = tempRoot / (name + "-" + std::to_string(::GetCurrentProcessId()) +
                                           "-" + std::to_string(n));
        if (!::CreateDirectoryW(fresh.c_str(), nullptr))
            continue;
        if (std::intptr_t lock = ClaimFolder(fresh); lock != WorkFolderClaim::NoLock)
            return WorkFolderClaim(WithSeparator(fresh), lock, true);
    }
    return Error{"Can not create a working folder in " + PathText(tempRoot)};
}

void ReleaseLock(const fs::path& folder, std::intptr_t lock) {
    ::CloseHandle(reinterpret_cast<HANDLE>(lock));
    ::DeleteFileW((folder / WorkFolderLockName).c_str());
}

#endif

}  // namespace

fs::path UserTempFolder() {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec || temp.empty()) {
#ifdef _WIN32
        temp = fs::current_path(ec);
#else
        temp = "/tmp";
#endif
    }
    return temp;
}

WorkFolderClaim::WorkFolderClaim(fs::path folder, std::intptr_t lock, bool ownFresh)
    : Folder_(std::move(folder)), Lock(lock), OwnFresh(ownFresh) {}

WorkFolderClaim::WorkFolderClaim(WorkFolderClaim&& other) noexcept
    : Folder_(std::move(other.Folder_)),
      Lock(std::exchange(other.Lock, NoLock)),
      OwnFresh(other.OwnFresh) {}

WorkFolderClaim& WorkFolderClaim::operator=(WorkFolderClaim&& other) noexcept {
    if (this != &other) {
        Release();
        Folder_ = std::move(other.Folder_);
        Lock = std::exchange(other.Lock, NoLock);
        OwnFresh = other.OwnFresh;
    }
    return *this;
}

WorkFolderClaim::~WorkFolderClaim() {
    Release();
}

void WorkFolderClaim::Release() {
    if (Lock == NoLock)
        return;
    if (OwnFresh)
        ClearWorkFolder(Folder_);
    ReleaseLock(Folder_, Lock);
    Lock = NoLock;
    if (OwnFresh) {
        std::error_code ec;
        fs::remove(Folder_.parent_path(), ec);  // only when empty
    }
}

Result<WorkFolderClaim> ClaimWorkFolder(const fs::path& tempRoot, const std::string& name) {
    return ClaimPlatform(tempRoot, name);
}

void ClearWorkFolder(const fs::path& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        if (entry.path().filename() == WorkFolderLockName)
            continue;
        std::error_code entryEc;
        // A link is deleted itself, never what it points to.
        if (!entry.is_symlink(entryEc) && entry.is_directory(entryEc))
            continue;
        fs::remove(entry.path(), entryEc);
    }
}

}  // namespace gf
