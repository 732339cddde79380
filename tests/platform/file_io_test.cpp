#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
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

TEST(FileErrors, SayWhyTheSystemRefused) {
    test::TempFolder dir;
    const std::uint8_t bytes[] = {1};
    Put(dir / "plain", "x");
    struct Case {
        const char* Name;
        Status Outcome;
        const char* Expected;
    };
    const Case cases[] = {
        {"read a missing file", Status(ReadFileBytes(dir / "missing").GetError()),
         "Can not open file "},
        {"read a folder", Status(ReadFileBytes(dir.Path()).GetError()), "Can not open file "},
        {"write into a missing folder", WriteFileAtomic(dir / "no" / "x.bin", bytes),
         "Can not create file "},
        {"write below a plain file", WriteFileAtomic(dir / "plain" / "x.bin", bytes),
         "Can not create file "},
        {"copy a missing file", CopyFileAtomic(dir / "missing", dir / "y"), "Can not open file "},
    };
    const std::string reasons[] = {SystemReason(ENOENT), SystemReason(EISDIR),
                                   SystemReason(ENOENT), SystemReason(ENOTDIR),
                                   SystemReason(ENOENT)};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Name);
        ASSERT_FALSE(cases[i].Outcome.Ok());
        const std::string& message = cases[i].Outcome.ErrorMessage();
        EXPECT_EQ(message.rfind(cases[i].Expected, 0), 0u) << message;
        EXPECT_EQ(cases[i].Outcome.ErrorCause(), reasons[i]);
        EXPECT_EQ(message.substr(message.size() - reasons[i].size() - 2), ": " + reasons[i]);
    }
    EXPECT_EQ(SystemReason(ENOSPC), "No space left on device");
    EXPECT_EQ(WithReasonBelow("Can not open file a", "Permission denied"),
              "Can not open file a\nPermission denied");
    EXPECT_EQ(WithReasonBelow("Can not open file a", ""), "Can not open file a");
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

// Many files in one batch: a file that fails (a folder in its way, before or after it was
// written, or its writer giving up) leaves nothing behind, the others land, a read-only file is
// replaced like any other, and a batch dropped unfinished leaves no temporary file.
TEST(AtomicFileBatch, FailuresInTheMiddleLeaveNoTemporaryFiles) {
    test::TempFolder dir;
    const fs::path d = dir.Path();
    Put(d / "b.ico", "old");
    fs::permissions(d / "b.ico", fs::perms::owner_read);
    fs::create_directory(d / "c.ico");
    auto bytes = [](const char* text) {
        return std::span(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
    };
    AtomicFileBatch batch;
    EXPECT_TRUE(batch.Add(d / "a.ico", bytes("A")).Ok());
    EXPECT_TRUE(batch.Add(d / "b.ico", bytes("B")).Ok());
    EXPECT_FALSE(batch.Add(d / "c.ico", bytes("C")).Ok());
    EXPECT_TRUE(batch.Add(d / "d.ico", bytes("D")).Ok());
    EXPECT_FALSE(batch.AddWith(d / "e.ico", [](std::FILE* f) {
                          std::fputs("half", f);
                          return false;
                      }).Ok());
    EXPECT_TRUE(batch.Add(d / "f.ico", bytes("F")).Ok());
    fs::create_directory(d / "f.ico");  // in the way only when the rename comes
    std::vector<Status> results = batch.Commit();
    ASSERT_EQ(results.size(), 6u);
    std::vector<bool> ok;
    for (const Status& s : results)
        ok.push_back(s.Ok());
    EXPECT_EQ(ok, (std::vector<bool>{true, true, false, true, false, false}));
    EXPECT_NE(results[5].ErrorMessage().find("f.ico"), std::string::npos);
    EXPECT_EQ(Contents(d / "a.ico"), "A");
    EXPECT_EQ(Contents(d / "b.ico"), "B");
    EXPECT_EQ(Contents(d / "d.ico"), "D");
    EXPECT_FALSE(fs::exists(d / "e.ico"));
    EXPECT_EQ(FileCount(d), 5u);  // a, b, c/, d, f/
    EXPECT_TRUE(batch.Commit().empty());

    {
        AtomicFileBatch dropped;
        EXPECT_TRUE(dropped.Add(d / "g.ico", bytes("G")).Ok());
        EXPECT_EQ(FileCount(d), 6u);  // its temporary file
    }
    EXPECT_EQ(FileCount(d), 5u);
    EXPECT_FALSE(fs::exists(d / "g.ico"));
}

}  // namespace
}  // namespace gf
