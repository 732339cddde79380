#pragma once
// Random access to the bytes of a file that may be large (an installer of several hundred
// megabytes) but of which only a few scattered structures and small image blocks are read.
// Every read is checked against the size: a range that does not lie inside fails.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/file_io.h"
#include "platform/result.h"

namespace gf {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    virtual std::uint64_t Size() const = 0;
    // Fills `out` with the bytes at [offset, offset + out.size()); false when that range does
    // not lie inside the source or cannot be read (then `out` holds nothing meaningful).
    virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;

    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::uint64_t size);
    std::optional<std::uint16_t> U16(std::uint64_t offset);
    std::optional<std::uint32_t> U32(std::uint64_t offset);
};

// Bytes already in memory (fuzzing, tests, files read whole).
class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(Bytes data) : Data(data) {}
    std::uint64_t Size() const override { return Data.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    Bytes Data;
};

// The bytes [offset, offset + length) of another source, clipped to it, as a source of their
// own (a file embedded in a container).
class SubSource final : public ByteSource {
  public:
    SubSource(ByteSource& parent, std::uint64_t offset, std::uint64_t length);
    std::uint64_t Size() const override { return Length; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    ByteSource& Parent;
    std::uint64_t Offset;
    std::uint64_t Length;
};

// A file read on demand: straight from memory where it is mapped (RandomAccessFile), else
// through a few small windows, so that walking a directory of many small entries costs few
// system reads. A large file is never read whole.
class FileSource final : public ByteSource {
  public:
    // Fails when the file cannot be opened (a folder counts as not openable).
    static Result<std::unique_ptr<FileSource>> Open(const std::filesystem::path& path);

    std::uint64_t Size() const override { return File.Size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

  private:
    explicit FileSource(RandomAccessFile file) : File(std::move(file)) {}

    // Small windows, a few of them: a resource walk goes back and forth between a handful of
    // places (a directory, the entries it points to), and a scan that reads the first bytes of
    // thousands of images spread over a large file reads one page for each.
    static constexpr std::size_t PageBytes = 4096;
    static constexpr std::size_t WindowCount = 4;

    struct Window {
        std::vector<std::uint8_t> Data;
        std::uint64_t Start = 0;
        std::uint64_t LastUse = 0;
    };

    RandomAccessFile File;
    std::array<Window, WindowCount> Windows;
    std::uint64_t Uses = 0;
};

}  // namespace gf
