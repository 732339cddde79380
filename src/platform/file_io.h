#pragma once
// Whole-file reading and safe writing. A file the user asked for is written to a temporary
// name beside the target and renamed over it only when every byte is on disk, so a failure
// never leaves a half-written or lost file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "platform/result.h"

namespace gf {

// Files larger than this are refused by readers of pictures and icons: nothing we read is
// legitimately that big, and it keeps a hostile file from exhausting memory.
inline constexpr std::uint64_t MaxInputFileBytes = 512ull * 1024 * 1024;

Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                std::uint64_t maxBytes = MaxInputFileBytes);

// Whether an atomic write waits until the bytes are on the disk before the rename. The
// program's own scratch files in the working folder (undo snapshots) need only the rename's
// all-or-nothing: a flush per file would cost milliseconds and protect nothing after a crash.
enum class DiskFlush { Yes, No };

// A file opened for reading at any offset, as often as needed, with no stream state to reset
// between reads. Folders do not open. A file of some size is mapped into memory where the
// system can, so a read is a copy that costs no system call (pages come in as they are first
// touched, read ahead as for any read); a mapped file that shrinks while it is read fails
// those reads instead of ending the program. Otherwise each read is one system call (pread
// where there is one).
class RandomAccessFile {
  public:
    static Result<RandomAccessFile> Open(const std::filesystem::path& path);
    RandomAccessFile(RandomAccessFile&& other) noexcept;
    RandomAccessFile& operator=(RandomAccessFile&& other) noexcept;
    ~RandomAccessFile();

    std::uint64_t Size() const { return FileSize; }
    // Whether reads come from memory (then small reads cost no more than large ones).
    bool Mapped() const { return Map != nullptr; }
    // Exactly out.size() bytes from `offset`, or false (nothing meaningful in `out`).
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out);

  private:
    RandomAccessFile() = default;
    void Close();
#ifdef _WIN32
    std::FILE* File = nullptr;
#else
    int Fd = -1;
#endif
    const std::uint8_t* Map = nullptr;
    std::uint64_t FileSize = 0;
};

// What a save does with a target that is read-only (no write permission for us, judged by the
// file's mode bits as well as by the system, so it holds for root too). The command-line tool
// refuses such a target with a message saying so; the windows replace it once the user has
// answered the overwrite question, keeping it read-only.
enum class ReadOnlyTarget { Refuse, Replace };

// Many files written atomically as one batch. Each file is written, as it is added, to a
// temporary file beside its target: an anonymous one (O_TMPFILE) where the file system has
// them, which a killed save cannot leave behind, else a hidden ".NAME.XXXXXXXXXXXX.tmp" held
// under a lock while it is in use. Adding a file first removes such files of the same target
// that no running save holds (left by a save that was killed). Commit then makes them all
// durable at once and only after that puts each in place. A file whose write or replacement
// fails leaves its old file as it was and no temporary file; the others still land unless the
// caller drops the batch (AllWritten() tells whether every file was written). A batch dropped
// without Commit removes its temporary files.
//
// What a replaced file keeps: its mode, and its owner and group where the system permits. A
// symlink is written through: the file it names gets the new contents and the link stays. A
// file with several hard links gets the new contents in place, copied in once they are
// complete, so every name sees them (that copy is the one step that is not all-or-nothing).
//
// How they become durable: FlushEach syncs every file as it is written (what a single save
// wants); FlushTogether syncs the file system of each target folder once at Commit (syncfs),
// which costs about one sync instead of one per file (a few milliseconds each); a batch of only
// a few files, or one where that call is missing, syncs each file at Commit instead. None keeps
// only the rename's all-or-nothing (DiskFlush::No).
class AtomicFileBatch {
  public:
    enum class Durability { FlushEach, FlushTogether, None };

    explicit AtomicFileBatch(Durability durability = Durability::FlushTogether,
                             ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);
    AtomicFileBatch(const AtomicFileBatch&) = delete;
    AtomicFileBatch& operator=(const AtomicFileBatch&) = delete;
    ~AtomicFileBatch();

    // Writes the temporary file of `path`: `produce` writes into the open stream and returns
    // false to abandon it. The status tells whether that worked; a file that failed here is
    // reported again, unchanged, by Commit.
    Status AddWith(const std::filesystem::path& path,
                   const std::function<bool(std::FILE*)>& produce);
    Status Add(const std::filesystem::path& path, std::span<const std::uint8_t> data);

    // Whether every file added so far was written to its temporary file.
    bool AllWritten() const;

    // Drops every file added, removing their temporary files; no target changes.
    void Abandon();

    // Makes every file written durable, then puts each in place. One status per file added, in
    // the order added. The batch is empty afterwards.
    std::vector<Status> Commit();

  private:
    struct Pending;
    struct Folder;
    // Writes the temporary file of `path` through `write`, given its descriptor (false, with
    // errno telling why, when it could not).
    Status AddFile(const std::filesystem::path& path, const std::function<bool(int)>& write);
    void MakeRoom();                        // for one more open temporary file, where it can
    void ParkOpenFiles(std::size_t count);  // closes that many, under their hidden names
    void EndBatch();

    Durability Mode;
    ReadOnlyTarget ReadOnly;
    std::vector<Pending> Files;
    std::vector<Folder> Folders;  // the target folders seen, with their stale temporary files
    std::size_t OpenFiles = 0;    // temporary files held open
    std::size_t OpenRoom = 64;    // how many may be
    bool LimitRaised = false;     // whether this batch holds the descriptor limit raised
};

// Writes `data` to `path` atomically (temporary file + rename), keeping what AtomicFileBatch
// keeps of the file it replaces. On failure the old file, if any, is untouched and no
// temporary file is left behind.
Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                       DiskFlush flush = DiskFlush::Yes,
                       ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Same, for writers that produce their output in pieces: `produce` writes into the open
// temporary stream and returns false to abandon the write.
Status WriteFileAtomicWith(const std::filesystem::path& path,
                           const std::function<bool(std::FILE*)>& produce,
                           DiskFlush flush = DiskFlush::Yes,
                           ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// A byte-for-byte copy of `from`, written to `to` atomically. The copy is a fresh file of our
// own: no attributes of the source come along, so a read-only source never makes a copy that
// cannot be replaced later.
Status CopyFileAtomic(const std::filesystem::path& from, const std::filesystem::path& to,
                      ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

// The system's words for an error number or code ("Permission denied"), and an Error whose
// message is `what` followed by them (just `what` when there is no reason to give).
std::string SystemReason(int errorNumber);
Error ErrorWithCause(const std::string& what, int errorNumber);
Error ErrorWithCause(const std::string& what, const std::error_code& ec);
// A message whose wording is fixed ("Can not open file " + path) with the reason on a line of
// its own below it, when there is one.
std::string WithReasonBelow(const std::string& text, const std::string& reason);

}  // namespace gf
