#pragma once
// Reading icons out of files: the loader that cuts every icon image of an ICO or CUR file, or
// of an executable, into a one-image ICO file of its own in the working folder, and the
// pieces it is made of (so the command-line tool lists and cuts with the very same code).
//
// Images are never decoded here. An image block is copied through byte for byte; of its
// leading bytes only the size and depth are looked at, for the description.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iconfile/byte_source.h"
#include "iconfile/executable_resources.h"
#include "iconfile/ico_format.h"
#include "iconfile/icon_image.h"
#include "platform/byte_reader.h"

namespace gf {

// A directory never holds more entries than its 16-bit count can say.
inline constexpr std::size_t MaxIconFileEntries = 65535;

// What the leading bytes of an image block say about it. A block that starts with the PNG
// signature is a PNG-compressed image and is described from its IHDR chunk; any other block is
// taken as a BITMAPINFOHEADER (biHeight counts colour and mask rows, so the height is half of
// it). Bytes the block does not have read as 0; no value is judged.
struct IconBlockHeader {
    bool Png = false;
    std::int64_t Width = 0;   // biWidth, or the IHDR width
    std::int64_t Height = 0;  // biHeight / 2, or the IHDR height
    int Planes = 0;           // biPlanes; 1 for PNG
    int BitCount = 0;         // biBitCount; for PNG bits per channel x channels

    // The low 8 bits (so 256 reads 0), as the directory entry of a one-image file holds them.
    int EntryWidth() const { return static_cast<int>(Width & 0xFF); }
    int EntryHeight() const { return static_cast<int>(Height & 0xFF); }
};

IconBlockHeader ReadIconBlockHeader(Bytes block);
bool IsPngBlock(Bytes block);

// The image blocks of a file as its container announces them (a claimed size may exceed what
// the file holds).
struct IconBlockLocation {
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
    std::optional<CursorHotSpot> HotSpot;  // set for the entries of a cursor file (type 2)
};

// The directory of an ICO or CUR file: a count larger than the file has room for is read as far
// as its bytes go, and the type field only says whether the entries hold hot spots. A file too
// short for its header has no entries.
std::vector<IconBlockLocation> ReadIconFileEntries(ByteSource& file);

// Reads the block [offset, offset + size) for cutting it out. Bytes beyond the end of the file
// read as 0, but the block is never longer than the whole file, whatever its size claims.
// Fails when the offset is at or beyond the end of the file (none of the image is there).
Result<std::vector<std::uint8_t>> CutIconBlock(ByteSource& file, std::uint32_t offset,
                                               std::uint32_t size);

// A one-image ICO file (type 1) holding `block` unchanged at offset 22. The directory entry is
// filled from the block's header: the low bytes of width and height, colour count, planes and
// bit count as the header says.
std::vector<std::uint8_t> MakeSingleImageIconFile(Bytes block);
// The same as a one-image cursor file (type 2), the hot spot in the directory entry.
std::vector<std::uint8_t> MakeSingleImageCursorFile(Bytes block, CursorHotSpot hotSpot);

// The resource an image of an executable is stored as.
struct ResourceOrigin {
    std::uint32_t Type = ResourceTypeIcon;  // or ResourceTypeCursor
    ResourceName Name;
    std::optional<std::uint16_t> Language;  // none in files without languages (NE)
};

// One icon image found in a file, ready to be cut out.
struct FoundIconImage {
    std::size_t EntryIndex = 0;  // its place in the file's directory or icon table
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;  // the bytes that will be cut out (see CutIconBlock)
    IconBlockHeader Header;
    // Why the decoder would refuse the image, judged by its headers (CheckIconBlock); "" when
    // they are sound. Such an image is still listed and cut out unchanged.
    std::string Damage;
    // A cursor image with its hot spot; its one-image file is then a cursor file.
    std::optional<CursorHotSpot> HotSpot;
    // Animated cursors: the frame the image belongs to, counted from 0.
    std::size_t Frame = 0;
    // Images of executables: the resource they are.
    std::optional<ResourceOrigin> Resource;
};

// Fills the image's Header and Damage from the leading bytes of its block [Offset, Offset +
// Size) in `file` (bytes the block or the file lacks read as 0).
void DescribeIconBlock(ByteSource& file, FoundIconImage& image);

enum class IconContainer {
    IconFile,        // ICO or CUR
    Executable,      // PE32 or PE32+
    AnimatedCursor,  // RIFF "ACON": the icon or cursor file of every frame, one after another
};

// How the loader reads a file: ".ico" (any case) as an icon file, anything else as an
// executable.
IconContainer IconContainerOfName(const std::filesystem::path& fileName);

// How a tool that is handed any file reads it: by its first bytes ("MZ": an executable; a
// header of reserved 0 and type 1 or 2: an icon or cursor file; "RIFF" of form "ACON": an
// animated cursor), and by its name when they say neither. The loader itself goes by the name
// only.
IconContainer DetectIconContainer(ByteSource& file, const std::filesystem::path& fileName);

struct IconImageList {
    std::vector<FoundIconImage> Images;
    std::string Message;  // for the user when the file holds no readable icons ("" otherwise)
    // An icon or cursor file that lists nothing: what is wrong with its directory ("the
    // directory points outside the file"), for tools that say more than the loader's message.
    std::string DirectoryFault;
    ExecutableFormat Format = ExecutableFormat::Unknown;  // executables: PE or NE
};

// What a listing takes from executables (icon and cursor files give all their images).
struct IconListOptions {
    LanguageSelection Languages;  // which languages of each resource
    bool Cursors = false;         // their RT_CURSOR images too, after the icons
};

// Why a list is empty, as the command-line tool tells it: the reader's own message, else the
// directory's fault, else "No icon exists in this file!".
std::string NoIconsMessage(const IconImageList& list);

// The images listed from one file hold together at most this many bytes per byte of the file,
// plus the extra; entries beyond are not listed.
inline constexpr std::uint64_t MaxIconBytesPerFileByte = 2;
inline constexpr std::uint64_t MaxIconBytesExtra = 1024 * 1024;

// Every icon image of an open file, in the loader's order. Icon files: the directory entries
// whose image lies at least partly in the file. Executables: the RT_ICON images that pass the
// image check (see pe_icons.h), then the RT_CURSOR ones when asked. Animated cursors: the images
// of each frame's icon file, read as icon files are, frame after frame (offsets are in the
// whole file). The loader takes the default options.
IconImageList ListIconImages(ByteSource& file, IconContainer kind,
                             const IconListOptions& options = {});

// A file opened and listed with the container DetectIconContainer finds, for tools that show
// or cut the images themselves. Fails only when the file cannot be opened; a file without
// icons gives an empty list (and the reader's message, if any).
struct IconFileListing {
    std::unique_ptr<ByteSource> Source;
    IconContainer Kind = IconContainer::IconFile;
    IconImageList List;
};
Result<IconFileListing> ListIconFile(const std::filesystem::path& fileName,
                                     const IconListOptions& options = {});

// "ic" + k + "_" + n + ".ico" in `workFolder`, n the smallest number from 0 up for which no
// such file exists yet.
std::filesystem::path ChooseIconEntryPath(const std::filesystem::path& workFolder, std::size_t k);

// Width, height (low bytes) and bit count of an image cut out by WriteIconEntryFile.
struct IconEntryInfo {
    int Width = 0;
    int Height = 0;
    int BitCount = 0;
};

// Writes the image block at `offset` of `source` as a one-image ICO file `target` (replacing
// it). 0 on success; 1 when the source cannot be opened, the offset lies at or beyond its end,
// or the target cannot be written.
int WriteIconEntryFile(std::uint32_t offset, std::uint32_t size,
                       const std::filesystem::path& target, const std::filesystem::path& source,
                       IconEntryInfo& info);
int WriteIconEntryFile(std::uint32_t offset, std::uint32_t size,
                       const std::filesystem::path& target, ByteSource& source,
                       IconEntryInfo& info);

struct ExtractResult {
    // Lines in the set afterwards; -1 when an icon file cannot be opened.
    int Count = 0;
    // What to tell the user ("Can not open ...", "There is no icon in this file!"), or "".
    std::string Message;
};

// Cuts every icon image of `fileName` into a one-image ICO file in `workFolder` and appends its
// path and description (" 0# 32x32x8bits", numbered on from the lines already there) to `set`.
// The set is not cleared first. An image that cannot be written is not listed.
ExtractResult ExtractIconsToFiles(const std::filesystem::path& fileName, IconSet& set,
                                  const std::filesystem::path& workFolder);

}  // namespace gf
