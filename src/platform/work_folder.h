#pragma once
// The working folder: where the windows hand pictures and icons to each other as files. It is
// the user's temporary folder + "ic_temp", made private to the user, and owned by one running
// instance at a time through a lock file inside it. A folder that is a symbolic link, belongs
// to somebody else or is held by another running instance is left alone: the instance then
// works in a fresh private folder of its own, removed again when it is released.

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/result.h"

namespace gf {

// Name of the lock file inside a claimed folder. ClearWorkFolder never deletes it.
inline constexpr const char* WorkFolderLockName = ".glyphforge.lock";

// The user's temporary-files folder.
std::filesystem::path UserTempFolder();

// A working folder held by this process. Moving hands the hold on; destroying it releases it.
class WorkFolderClaim {
  public:
    WorkFolderClaim() = default;
    WorkFolderClaim(std::filesystem::path folder, std::intptr_t lock, bool ownFresh);
    WorkFolderClaim(WorkFolderClaim&& other) noexcept;
    WorkFolderClaim& operator=(WorkFolderClaim&& other) noexcept;
    WorkFolderClaim(const WorkFolderClaim&) = delete;
    WorkFolderClaim& operator=(const WorkFolderClaim&) = delete;
    ~WorkFolderClaim();

    bool Held() const { return Lock != NoLock; }
    // The folder, with a trailing separator.
    const std::filesystem::path& Folder() const { return Folder_; }
    // True when the shared name could not be used and this is a folder made for this process.
    bool Fresh() const { return OwnFresh; }

    // Gives the folder up: the lock file is deleted and the lock dropped; a fresh folder is
    // removed with whatever files are still in it (never sub-folders).
    void Release();

    static constexpr std::intptr_t NoLock = -1;

  private:
    std::filesystem::path Folder_;
    std::intptr_t Lock = NoLock;
    bool OwnFresh = false;
};

// Claims `tempRoot` / `name` for this process: creates it with access for the user only, or
// checks that the existing one is a real folder of this user (tightening its permissions when
// it is open to others) and takes its lock. When that is not possible (a symbolic link, another
// owner, locked by another running instance) a fresh private folder `name`-XXXXXX is made in
// `tempRoot` and claimed instead. Fails only when no folder can be claimed at all.
Result<WorkFolderClaim> ClaimWorkFolder(const std::filesystem::path& tempRoot,
                                        const std::string& name);

// Deletes every file directly inside `folder`: sub-folders are neither entered nor deleted,
// the lock file stays, and failures are ignored.
void ClearWorkFolder(const std::filesystem::path& folder);

}  // namespace gf
