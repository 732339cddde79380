#pragma once
// Whole-file reading and safe writing. A file the user asked for is written to a temporary
// name beside the target and renamed over it only when every byte is on disk, so a failure
// never leaves a half-written or lost file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
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

// Writes `data` to `path` atomically (temporary file + rename). On failure the old file, if
// any, is untouched and no temporary file is left behind.
Status WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> data,
                       DiskFlush flush = DiskFlush::Yes);

// Same, for writers that produce their output in pieces: `produce` writes into the open
// temporary stream and returns false to abandon the write.
Status WriteFileAtomicWith(const std::filesystem::path& path,
                           const std::function<bool(std::FILE*)>& produce,
                           DiskFlush flush = DiskFlush::Yes);

// A byte-for-byte copy of `from`, written to `to` atomically. The copy is a fresh file of our
// own: no attributes of the source come along, so a read-only source never makes a copy that
// cannot be replaced later.
Status CopyFileAtomic(const std::filesystem::path& from, const std::filesystem::path& to);

// Path as UTF-8 text for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace gf
