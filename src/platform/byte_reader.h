#pragma once
// Bounds-checked little-endian reading over a byte span. Every read past the end fails instead
// of touching memory it does not own; readers of untrusted files use nothing else.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace gf {

using Bytes = std::span<const std::uint8_t>;

// True when [offset, offset + size) lies inside a buffer of `total` bytes, without overflow.
constexpr bool RangeFits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

inline std::optional<std::uint8_t> ReadU8(Bytes data, std::size_t offset) {
    if (!RangeFits(offset, 1, data.size()))
        return std::nullopt;
    return data[offset];
}

inline std::optional<std::uint16_t> ReadU16(Bytes data, std::size_t offset) {
    if (!RangeFits(offset, 2, data.size()))
        return std::nullopt;
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

inline std::optional<std::uint32_t> ReadU32(Bytes data, std::size_t offset) {
    if (!RangeFits(offset, 4, data.size()))
        return std::nullopt;
    return static_cast<std::uint32_t>(data[offset]) |
           (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

inline std::optional<std::int32_t> ReadI32(Bytes data, std::size_t offset) {
    auto v = ReadU32(data, offset);
    if (!v)
        return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

inline std::optional<std::uint64_t> ReadU64(Bytes data, std::size_t offset) {
    auto lo = ReadU32(data, offset);
    auto hi = ReadU32(data, offset + 4);
    if (!lo || !hi || offset + 4 < offset)
        return std::nullopt;
    return static_cast<std::uint64_t>(*lo) | (static_cast<std::uint64_t>(*hi) << 32);
}

// The sub-span [offset, offset + size), or nothing when it does not lie inside `data`.
inline std::optional<Bytes> Slice(Bytes data, std::uint64_t offset, std::uint64_t size) {
    if (!RangeFits(offset, size, data.size()))
        return std::nullopt;
    return data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
}

// Sequential reader with a sticky failure flag: read a whole structure, then check Ok() once.
class ByteReader {
  public:
    explicit ByteReader(Bytes data, std::size_t offset = 0) : Data(data), Pos(offset) {}

    std::uint8_t U8() { return Take(ReadU8(Data, Pos), 1); }
    std::uint16_t U16() { return Take(ReadU16(Data, Pos), 2); }
    std::uint32_t U32() { return Take(ReadU32(Data, Pos), 4); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    void Skip(std::size_t n) {
        if (!RangeFits(Pos, n, Data.size())) {
            Failed = true;
            Pos = Data.size();
        } else {
            Pos += n;
        }
    }

    bool Ok() const { return !Failed; }
    std::size_t Position() const { return Pos; }
    std::size_t Remaining() const { return Pos <= Data.size() ? Data.size() - Pos : 0; }

  private:
    template <class T>
    T Take(std::optional<T> v, std::size_t n) {
        if (!v) {
            Failed = true;
            Pos = Data.size();
            return T{};
        }
        Pos += n;
        return *v;
    }

    Bytes Data;
    std::size_t Pos;
    bool Failed = false;
};

// Little-endian appending, for writers.
inline void PutU8(std::vector<std::uint8_t>& out, std::uint8_t v) {
    out.push_back(v);
}
inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
}

}  // namespace gf
