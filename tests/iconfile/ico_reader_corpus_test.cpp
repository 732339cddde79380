// Real-world icon, cursor and executable files, when the corpus folder is at hand (GF_CORPUS):
// every one is read, and every image cut out is exactly the bytes at its place in the file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "iconfile/ico_reader.h"
#include "platform/file_io.h"
#include "support/temp_folder.h"

namespace gf {
namespace {

namespace fs = std::filesystem;

struct CorpusFile {
    fs::path Path;
    std::string Type;  // ico, cur, pe32, pe64
};

// The corpus files of the icon-bearing types, from its manifest (path, size, sha256, type, ...).
std::vector<CorpusFile> IconCorpus(std::string& skip) {
    const char* corpus = std::getenv("GF_CORPUS");
    if (!corpus || !*corpus) {
        skip = "GF_CORPUS is not set; real-world files are not checked";
        return {};
    }
    std::ifstream manifest(fs::path(corpus) / "MANIFEST.tsv");
    if (!manifest) {
        skip = std::string("no MANIFEST.tsv in ") + corpus;
        return {};
    }
    std::vector<CorpusFile> files;
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream s(line);
        for (std::string f; std::getline(s, f, '\t');)
            fields.push_back(f);
        if (fields.size() < 4)
            continue;
        const std::string& type = fields[3];
        if (type == "ico" || type == "cur" || type == "pe32" || type == "pe64")
            files.push_back({fs::path(corpus) / fields[0], type});
    }
    if (files.empty())
        skip = "the corpus holds no icon, cursor or executable files";
    return files;
}

TEST(IcoReaderCorpus, EveryFileIsReadAndEveryImageCutOutUnchanged) {
    std::string skip;
    auto files = IconCorpus(skip);
    if (files.empty())
        GTEST_SKIP() << skip;
    test::TempFolder work;
    std::size_t images = 0;
    for (const auto& f : files) {
        SCOPED_TRACE(PathText(f.Path));
        auto source = ReadFileBytes(f.Path);
        ASSERT_TRUE(source.Ok()) << source.ErrorMessage();
        auto listing = ListIconFile(f.Path);
        ASSERT_TRUE(listing.Ok()) << listing.ErrorMessage();
        const bool executable = f.Type == "pe32" || f.Type == "pe64";
        if (executable) {
            EXPECT_EQ(listing->Kind, IconContainer::Executable);
            EXPECT_EQ(listing->List.Message, "");  // some have no icons, none is unreadable
        } else {
            EXPECT_NE(listing->Kind, IconContainer::Executable);
            EXPECT_FALSE(listing->List.Images.empty());
        }
        for (const auto& image : listing->List.Images) {
            auto block = CutIconBlock(*listing->Source, image.Offset, image.Size);
            ASSERT_TRUE(block.Ok()) << block.ErrorMessage();
            ASSERT_LE(image.Offset + std::uint64_t{image.Size}, source->size());
            EXPECT_TRUE(std::equal(block->begin(), block->end(), source->begin() + image.Offset))
                << "image at " << image.Offset;
            ++images;
        }

        // The loader goes by the name; where the name leads to the same reader, it lists the
        // same images and its one-image files hold the same blocks.
        if (IconContainerOfName(f.Path) != listing->Kind)
            continue;
        IconSet set;
        ExtractResult r = ExtractIconsToFiles(f.Path, set, work.Path());
        ASSERT_EQ(r.Count, static_cast<int>(listing->List.Images.size())) << r.Message;
        for (std::size_t i = 0; i < set.Size(); ++i) {
            auto one = ReadFileBytes(set.IconFiles[i]);
            ASSERT_TRUE(one.Ok());
            const auto& image = listing->List.Images[i];
            ASSERT_EQ(one->size(), 22u + image.Size);
            EXPECT_TRUE(std::equal(one->begin() + 22, one->end(), source->begin() + image.Offset));
            fs::remove(set.IconFiles[i]);
        }
    }
    EXPECT_GT(images, 0u);
}

}  // namespace
}  // namespace gf
