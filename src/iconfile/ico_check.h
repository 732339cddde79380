#pragma once
// Checking ICO and CUR files for what other readers trip over, and writing a corrected copy.
// Both work on bytes in memory only, read every byte through bounds-checked reads, and take
// time and memory in proportion to the file, so they are safe on any input.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_reader.h"
#include "platform/result.h"

namespace gf {

enum class IconProblem {
    BadHeader,          // reserved not 0, or a type other than icon (1) or cursor (2)
    NoImages,           // a count of 0
    ShortDirectory,     // the count promises more entries than the file holds
    OutsideFile,        // an image (partly) beyond the end of the file
    Overlap,            // an image overlapping the directory or another image
    ZeroSizeByte,       // width or height byte 0 for an image that is not 256 wide or high
    SizeMismatch,       // the directory's width or height is not the image's
    BitCountMismatch,   // the directory's bit count is not the image's
    ColourCountMismatch,
    BadImageHeader,     // an image that is neither a DIB nor a PNG readers know
    PaletteMismatch,    // a colour table longer than the depth allows, or cut short
    ShortColourData,    // the colour rows are cut short
    ShortMask,          // the AND mask is shorter than its rows
    AlphaAllZero,       // a 32-bit image whose alpha bytes are all 0
    SmallPng,           // a PNG-compressed image below 256 pixels
    DuplicateSize,      // a second image of the same size and bit count
    Unsorted,           // images not in order of size (then deepest first)
};

struct IconFinding {
    IconProblem Problem = IconProblem::BadHeader;
    int Entry = -1;  // the directory index, or -1 for the file as a whole
    std::string Text;
    bool Fixable = false;  // FixIconFile mends it without guessing
};

struct IconCheckReport {
    std::uint16_t Type = 0;
    std::size_t EntryCount = 0;  // directory entries present in the file
    std::vector<IconFinding> Findings;
    bool Clean() const { return Findings.empty(); }
};

IconCheckReport CheckIconFile(Bytes file);

struct IconFixResult {
    std::vector<std::uint8_t> File;    // the corrected copy
    std::vector<std::string> Changes;  // what was changed, one sentence each
    IconCheckReport Remaining;         // what the copy still has (the problems that need a person)
};

// A corrected copy: header and directory rewritten from the images themselves, images laid out
// one after another (which ends overlaps) in order of size, short masks completed as opaque,
// all-zero alpha taken from the mask, small PNG images stored as 32-bit DIBs, images that lie
// wholly beyond the file and exact duplicates dropped. Every other image keeps its bytes. Fails
// only when the file has no directory to start from.
Result<IconFixResult> FixIconFile(Bytes file);
// The same, for a caller that has already checked the file: `check` is CheckIconFile(file).
Result<IconFixResult> FixIconFile(Bytes file, const IconCheckReport& check);

}  // namespace gf
