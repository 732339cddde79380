#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::size_t FileCount(const fs::path& folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WriteFileAtomic, ReplacesTheTargetAndLeavesNothingBeside) {
    test::TempFolder dir;
    const fs::path target = dir.Path() / "out.bin";
    Put(target, "old");
    const std::uint8_t bytes[] = {'n', 'e', 'w', 0};
    ASSERT_TRUE(WriteFileAtomic(target, bytes).Ok());
    EXPECT_EQ(Contents(target), std::string("new\0", 4));
    EXPECT_EQ(FileCount(dir.Path()), 1u);
}

TEST(WriteFileAtomic, AnAbandonedWriteKeepsTheOldFile) {
    test::TempFolder dir;
    const fs::path target = dir.Path() / "out.bin";
    Put(target, "old");
    Status s = WriteFileAtomicWith(target, [](std::FILE* f) {
        std::fputs("half", f);
        return false;
    });
    EXPECT_FALSE(s.Ok());
    EXPECT_NE(s.ErrorMessage().find("out.bin"), std::string::npos);
    EXPECT_EQ(Contents(target), "old");
    EXPECT_EQ(FileCount(dir.Path()), 1u);
}

TEST(WriteFileAtomic, RefusesAFolderOrAMissingParent) {
    test::TempFolder dir;
    const std::uint8_t bytes[] = {1};
    EXPECT_FALSE(WriteFileAtomic(dir.Path(), bytes).Ok());
    EXPECT_FALSE(WriteFileAtomic(dir.Path() / "no" / "such" / "x.bin", bytes).Ok());
    EXPECT_EQ(FileCount(dir.Path()), 0u);
}

TEST(CopyFileAtomic, CopiesEveryByteAndKeepsTheTargetWhenTheSourceIsMissing) {
    test::TempFolder dir;
    const fs::path from = dir.Path() / "a.ico";
    const fs::path to = dir.Path() / "b.ico";
    Put(from, std::string("\0\x01\x02icon", 7));
    ASSERT_TRUE(CopyFileAtomic(from, to).Ok());
    EXPECT_EQ(Contents(to), Contents(from));

    Put(to, "kept");
    Status s = CopyFileAtomic(dir.Path() / "missing.ico", to);
    EXPECT_FALSE(s.Ok());
    EXPECT_NE(s.ErrorMessage().find("missing.ico"), std::string::npos);
    EXPECT_EQ(Contents(to), "kept");
}

TEST(ReadFileBytes, RefusesFilesOverTheLimit) {
    test::TempFolder dir;
    const fs::path p = dir.Path() / "big.bin";
    Put(p, std::string(100, 'x'));
    EXPECT_TRUE(ReadFileBytes(p, 100).Ok());
    Result<std::vector<std::uint8_t>> r = ReadFileBytes(p, 99);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.ErrorMessage().find("too large"), std::string::npos);
}

}  // namespace
}  // namespace gf
