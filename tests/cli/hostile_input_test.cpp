// Every regression file of the fuzz targets through the command-line tool, as a user would run
// it, under a 600 MB address-space limit: each is read or refused with its own message, and none
// needs more memory than the limit (a decoder that tried would fail to allocate and say so, or
// be killed). The benchmark bench/hostile_inputs.py reports the time and memory of each.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/run_process.h"
#include "support/temp_folder.h"

#if defined(__SANITIZE_ADDRESS__)
#define GF_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GF_ASAN 1
#endif
#endif

namespace gf {
namespace {

namespace fs = std::filesystem;

const fs::path Regressions = fs::path(GF_TEST_DATA_DIR) / "regressions";

struct HostileCase {
    const char* File;     // below tests/data/regressions
    int Exit;             // the tool's exit status
    const char* Message;  // a part of what it prints on standard error (empty: nothing)
};

// One row per regression file. The tool's command follows from the fuzz target's folder.
const HostileCase Cases[] = {
    {"png/text_chunk_claims_2gib.png", 1, "The PNG picture is damaged: the file ends too early"},
    {"png/ztxt_chunk_claims_2gib.png", 1, "The PNG picture is damaged: the file ends too early"},
    {"ico_image/png_text_chunk_claims_2gib.ico", 1, "the file ends too early"},
    {"jpeg/progressive_998_empty_scans_4096x4096.jpg", 1, "a scan holds no picture data"},
    {"jpeg/progressive_998_one_byte_scans_4096x4096.jpg", 1,
     "the file's scans would take too long to decode"},
    {"jpeg/baseline_scan_without_data.jpg", 1, "a scan holds no picture data"},
    {"jpeg/frame_without_scan.jpg", 1, "missing SOS marker"},
    {"jpeg/progressive_998_one_byte_scans_16384x16384.jpg", 1,
     "The JPEG picture is too large to load."},
    {"png/grey_16384x16384.png", 0, ""},
    {"png/rgba_6000x6000.png", 0, ""},
    {"bmp/rle8_16384x16384_in_10_bytes.bmp", 0, ""},
    {"ico_check/small_png_that_does_not_decode.ico", 1, ""},
    {"ico_check/mend_makes_two_images_the_same.cur", 1, ""},
    {"ico_check/entries_overlapping_200_times.ico", 1, "no corrected copy is made"},
    {"ico_check/one_slow_png_named_32768_times.ico", 1, "no corrected copy is made"},
    {"ico_check/two_equal_256kb_bitmaps_named_8192_times.ico", 1, "no corrected copy is made"},
    {"ico_check/one_small_png_named_65535_times.ico", 1, "no corrected copy is made"},
    {"icon_groups/group_names_one_image_65535_times.dll", 0,
     "65459 of its images left out: the groups name more image data than the file could hold"},
    {"icon_groups/group_member_of_0_bytes.exe", 0, "icon 2 is not in the file; left out"},
    {"icon_groups/groups_sharing_one_member_list.exe", 1,
     "The icon groups of this file name more images than the file could hold."},
    {"gif/4000_frames_1x1_on_256x256.gif", 0, ""},
};

std::vector<std::string> CommandFor(const fs::path& file, const fs::path& out) {
    const std::string folder = file.parent_path().filename().string();
    if (folder == "ico_image" || folder == "thumbnail")
        return {"thumbnail", file.string(), (out / "thumbnail.png").string(), "256"};
    if (folder == "ico_dir" || folder == "pe" || folder == "ne")
        return {"list", file.string()};
    if (folder == "icon_groups")
        return {"extract", "--groups", file.string(), "-o", (out / "groups").string()};
    if (folder == "ico_check")
        return {"check", file.string(), "--fix", (out / "fixed.ico").string()};
    return {"convert", file.string(), (out / "out.ico").string()};
}

TEST(HostileInputs, EveryRegressionFileHasARow) {
    std::set<std::string> listed;
    for (const HostileCase& c : Cases)
        listed.insert(c.File);
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(Regressions, ec)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README.md")
            continue;
        const std::string name = fs::relative(entry.path(), Regressions).generic_string();
        // The JSON writer's and the thumbnailer's inputs are no files a command reads.
        if (name.rfind("json/", 0) == 0)
            continue;
        EXPECT_TRUE(listed.count(name)) << name << " has no row in Cases";
    }
    for (const std::string& name : listed)
        EXPECT_TRUE(fs::is_regular_file(Regressions / name)) << name << " is missing";
}

TEST(HostileInputs, AreReadOrRefusedWithinSixHundredMegabytes) {
#if defined(GF_ASAN) || defined(_WIN32)
    GTEST_SKIP() << "an address-space limit needs a build without AddressSanitizer, on POSIX";
#else
    test::TempFolder dir;
    for (const HostileCase& c : Cases) {
        SCOPED_TRACE(c.File);
        std::string command = "ulimit -v 614400 && exec " + test::ShellQuote(GF_CLI_PATH);
        for (const std::string& arg : CommandFor(Regressions / c.File, dir.Path()))
            command += " " + test::ShellQuote(arg);
        test::ProcessResult r = test::RunProcess("/bin/sh", {"-c", command}, (dir / "run").string());
        EXPECT_EQ(r.ExitCode, c.Exit) << r.Err;
        if (*c.Message != '\0')
            EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        else
            EXPECT_EQ(r.Err, "");
        EXPECT_EQ(r.Err.find("memory"), std::string::npos) << r.Err;
    }
#endif
}

}  // namespace
}  // namespace gf
