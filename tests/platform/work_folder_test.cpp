#include "platform/work_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file, const std::string& text = "x") {
    std::ofstream(file, std::ios::binary) << text;
}

class WorkFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        Root = fs::temp_directory_path() / ("gf-workfolder-" + std::to_string(rd()));
        fs::create_directories(Root);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(Root, ec);
    }

    fs::path Shared() const { return Root / "ic_temp"; }

    fs::path Root;
};

#ifndef _WIN32
unsigned ModeOf(const fs::path& p) {
    struct stat st {};
    ::lstat(p.c_str(), &st);
    return st.st_mode & 0777;
}
#endif

TEST_F(WorkFolderTest, ClaimsTheSharedNamePrivatelyAndGivesItBack) {
    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim) << claim.ErrorMessage();
    EXPECT_TRUE(claim->Held());
    EXPECT_FALSE(claim->Fresh());
    EXPECT_EQ(claim->Folder(), Shared() / "");
    EXPECT_TRUE(fs::exists(Shared() / WorkFolderLockName));
#ifndef _WIN32
    EXPECT_EQ(ModeOf(Shared()), 0700u);
#endif
    claim->Release();
    EXPECT_FALSE(claim->Held());
    EXPECT_TRUE(fs::is_directory(Shared()));
    EXPECT_FALSE(fs::exists(Shared() / WorkFolderLockName));
}

TEST_F(WorkFolderTest, SecondClaimWorksInAFolderOfItsOwn) {
    auto first = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(first);
    Touch(Shared() / "eitemp.ico");

    auto second = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(second) << second.ErrorMessage();
    EXPECT_TRUE(second->Fresh());
    EXPECT_NE(second->Folder(), first->Folder());
    EXPECT_EQ(second->Folder().parent_path().parent_path(), Root);
#ifndef _WIN32
    EXPECT_EQ(ModeOf(second->Folder().parent_path()), 0700u);
#endif
    Touch(second->Folder() / "eitemp.ico");
    const fs::path secondFolder = second->Folder().parent_path();
    second->Release();
    EXPECT_FALSE(fs::exists(secondFolder)) << "a folder made for one run goes with it";
    EXPECT_TRUE(fs::exists(Shared() / "eitemp.ico")) << "the first claim's files stay";

    // Once the first lets go, the shared name is free again.
    first->Release();
    auto third = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(third);
    EXPECT_FALSE(third->Fresh());
}

TEST_F(WorkFolderTest, MovingAClaimKeepsTheLock) {
    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    WorkFolderClaim moved = std::move(*claim);
    EXPECT_TRUE(moved.Held());
    auto other = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->Fresh());
}

#ifndef _WIN32
TEST_F(WorkFolderTest, AnOpenFolderOfOursIsMadePrivate) {
    fs::create_directory(Shared());
    ::chmod(Shared().c_str(), 0777);
    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    EXPECT_FALSE(claim->Fresh());
    EXPECT_EQ(ModeOf(Shared()), 0700u);
}

TEST_F(WorkFolderTest, ASymbolicLinkIsNeverFollowed) {
    const fs::path elsewhere = Root / "elsewhere";
    fs::create_directory(elsewhere);
    Touch(elsewhere / "precious.txt");
    fs::create_directory_symlink(elsewhere, Shared());

    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    EXPECT_TRUE(claim->Fresh());
    ClearWorkFolder(claim->Folder());
    claim->Release();
    EXPECT_TRUE(fs::exists(elsewhere / "precious.txt"));
    EXPECT_FALSE(fs::exists(elsewhere / WorkFolderLockName));
    EXPECT_TRUE(fs::is_symlink(Shared()));
}

TEST_F(WorkFolderTest, AFileInThePlaceOfTheFolderIsLeftAlone) {
    Touch(Shared(), "not a folder");
    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    EXPECT_TRUE(claim->Fresh());
    EXPECT_TRUE(fs::is_regular_file(Shared()));
}

TEST_F(WorkFolderTest, AFolderOfAnotherUserIsLeftAlone) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    fs::create_directory(Shared());
    Touch(Shared() / "theirs.ico");
    ASSERT_EQ(::chown(Shared().c_str(), 65534, 65534), 0);
    ::chmod(Shared().c_str(), 0777);

    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    EXPECT_TRUE(claim->Fresh());
    claim->Release();
    EXPECT_TRUE(fs::exists(Shared() / "theirs.ico"));
    EXPECT_EQ(ModeOf(Shared()), 0777u) << "somebody else's folder is not changed";
}

TEST_F(WorkFolderTest, NoFolderCanBeMadeUnderAFile) {
    Touch(Root / "plain");
    auto claim = ClaimWorkFolder(Root / "plain", "ic_temp");
    EXPECT_FALSE(claim);
}
#endif

TEST_F(WorkFolderTest, ClearingDeletesFilesOnly) {
    auto claim = ClaimWorkFolder(Root, "ic_temp");
    ASSERT_TRUE(claim);
    const fs::path folder = claim->Folder();
    Touch(folder / "eitemp.ico");
    Touch(folder / "eitemp.bmp_tempxor_3");
    fs::create_directory(folder / "sub");
    Touch(folder / "sub" / "inner.txt");
#ifndef _WIN32
    const fs::path target = Root / "target.txt";
    Touch(target);
    fs::create_symlink(target, folder / "link.txt");
#endif

    ClearWorkFolder(folder);

    EXPECT_FALSE(fs::exists(folder / "eitemp.ico"));
    EXPECT_FALSE(fs::exists(folder / "eitemp.bmp_tempxor_3"));
    EXPECT_TRUE(fs::exists(folder / "sub" / "inner.txt")) << "sub-folders are not entered";
    EXPECT_TRUE(fs::exists(folder / WorkFolderLockName)) << "the lock stays while held";
#ifndef _WIN32
    EXPECT_FALSE(fs::is_symlink(folder / "link.txt"));
    EXPECT_TRUE(fs::exists(target)) << "a link is deleted, not what it points to";
#endif
}

TEST_F(WorkFolderTest, ClearingAMissingFolderDoesNothing) {
    ClearWorkFolder(Root / "missing");
    EXPECT_FALSE(fs::exists(Root / "missing"));
}

}  // namespace
}  // namespace gf
