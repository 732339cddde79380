#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <span>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#endif

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

// Reads at any offset of a small file (read by the system) and of a large one (mapped into
// memory): the file's bytes, and ranges outside it refused. A file cut short by another program
// while it is open fails the reads past its new end instead of ending the program (for a mapped
// file the system signals a bus error), and a bus error that is not a read's still ends it.
TEST(RandomAccessFile, ReadsAnyRangeAndSurvivesAFileCutShort) {
    test::TempFolder dir;
    for (const std::size_t size : {std::size_t{1000}, std::size_t{300000}}) {
        SCOPED_TRACE(size);
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + i / 251);
        const fs::path p = dir.Path() / ("f" + std::to_string(size));
        Put(p, bytes);
        auto file = RandomAccessFile::Open(p);
        ASSERT_TRUE(file.Ok());
        EXPECT_EQ(file->Size(), size);
#ifndef _WIN32
        EXPECT_EQ(file->Mapped(), size > 100000);
#endif
        const std::pair<std::size_t, std::size_t> ranges[] = {
            {0, 16}, {size - 16, 16}, {size / 2, size / 3}, {size, 0}};
        for (const auto& [offset, length] : ranges) {
            std::vector<std::uint8_t> out(length);
            ASSERT_TRUE(file->ReadAt(offset, out)) << offset;
            EXPECT_EQ(std::string(out.begin(), out.end()), bytes.substr(offset, length));
        }
        std::uint8_t sixteen[16];
        EXPECT_FALSE(file->ReadAt(size - 8, sixteen));
        EXPECT_FALSE(file->ReadAt(size + 1, std::span<std::uint8_t>()));
#ifndef _WIN32
        ASSERT_EQ(::truncate(p.c_str(), 100), 0);
        ASSERT_TRUE(file->ReadAt(0, sixteen));
        EXPECT_EQ(std::memcmp(sixteen, bytes.data(), 16), 0);
        EXPECT_FALSE(file->ReadAt(size - 16, sixteen));
        EXPECT_FALSE(file->ReadAt(size / 2, sixteen));
#endif
    }
#ifndef _WIN32
    // Ended by the signal itself, or by a handler that was there before ours (a sanitizer's
    // reports and exits).
    EXPECT_DEATH(::raise(SIGBUS), "");
#endif
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
    AtomicFileBatch batch(AtomicFileBatch::Durability::FlushTogether, ReadOnlyTarget::Replace);
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

    // More files than the batch keeps open at once all land.
    AtomicFileBatch many(AtomicFileBatch::Durability::None);
    for (int i = 0; i < 150; ++i)
        ASSERT_TRUE(many.Add(d / ("m" + std::to_string(i)), bytes("M")).Ok());
    EXPECT_TRUE(many.AllWritten());
    for (const Status& s : many.Commit())
        EXPECT_TRUE(s.Ok()) << s.ErrorMessage();
    EXPECT_EQ(FileCount(d), 155u);
    EXPECT_EQ(Contents(d / "m149"), "M");
    for (int i = 0; i < 150; ++i)
        fs::remove(d / ("m" + std::to_string(i)));

    {
        AtomicFileBatch dropped;
        EXPECT_TRUE(dropped.Add(d / "g.ico", bytes("G")).Ok());
        EXPECT_FALSE(fs::exists(d / "g.ico"));  // only its temporary file so far
    }
    EXPECT_EQ(FileCount(d), 5u);
    EXPECT_FALSE(fs::exists(d / "g.ico"));
}

#ifndef _WIN32
// What a save keeps of the file it replaces. Each row builds a target, saves "new" to the name
// it gives, and checks what the target (and anything beside it) is afterwards. Read-only is
// judged by the mode bits, so the rows hold when the tests run as root.
TEST(WriteFileAtomic, KeepsWhatItReplaces) {
    struct stat probe {};
    const bool root = ::geteuid() == 0;
    const mode_t umaskNow = ::umask(022);
    ::umask(umaskNow);
    struct Row {
        const char* Name;
        std::function<fs::path(const fs::path&)> Make;  // builds the case, returns the save's name
        ReadOnlyTarget ReadOnly;
        bool Written;
        std::function<void(const fs::path&)> Check;
    };
    auto modeOf = [](const fs::path& p) {
        struct stat st {};
        EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
        return st.st_mode & 07777;
    };
    auto chmodded = [](const fs::path& p, mode_t mode) {
        Put(p, "old");
        EXPECT_EQ(::chmod(p.c_str(), mode), 0);
        return p;
    };
    const std::vector<Row> rows = {
        {"private mode kept", [&](const fs::path& d) { return chmodded(d / "t", 0600); },
         ReadOnlyTarget::Refuse, true,
         [&](const fs::path& d) { EXPECT_EQ(modeOf(d / "t"), 0600u); }},
        {"odd mode kept", [&](const fs::path& d) { return chmodded(d / "t", 0751); },
         ReadOnlyTarget::Refuse, true,
         [&](const fs::path& d) { EXPECT_EQ(modeOf(d / "t"), 0751u); }},
        {"new file under the umask", [](const fs::path& d) { return d / "t"; },
         ReadOnlyTarget::Refuse, true,
         [&](const fs::path& d) { EXPECT_EQ(modeOf(d / "t"), 0666u & ~umaskNow); }},
        {"through a symlink",
         [](const fs::path& d) {
             Put(d / "real", "old");
             fs::create_symlink("real", d / "t");
             return d / "t";
         },
         ReadOnlyTarget::Refuse, true,
         [](const fs::path& d) {
             EXPECT_TRUE(fs::is_symlink(d / "t"));
             EXPECT_EQ(Contents(d / "real"), "new");
         }},
        {"through a chain of symlinks into another folder",
         [](const fs::path& d) {
             fs::create_directory(d / "sub");
             Put(d / "sub" / "real", "old");
             fs::create_symlink("sub/real", d / "middle");
             fs::create_symlink(d / "middle", d / "t");
             return d / "t";
         },
         ReadOnlyTarget::Refuse, true,
         [](const fs::path& d) {
             EXPECT_TRUE(fs::is_symlink(d / "t"));
             EXPECT_TRUE(fs::is_symlink(d / "middle"));
             EXPECT_EQ(Contents(d / "sub" / "real"), "new");
             EXPECT_EQ(FileCount(d / "sub"), 1u);
         }},
        {"dangling symlink makes the file it names",
         [](const fs::path& d) {
             fs::create_symlink("made", d / "t");
             return d / "t";
         },
         ReadOnlyTarget::Refuse, true,
         [](const fs::path& d) {
             EXPECT_TRUE(fs::is_symlink(d / "t"));
             EXPECT_EQ(Contents(d / "made"), "new");
         }},
        {"symlink loop refused",
         [](const fs::path& d) {
             fs::create_symlink("u", d / "t");
             fs::create_symlink("t", d / "u");
             return d / "t";
         },
         ReadOnlyTarget::Refuse, false,
         [](const fs::path& d) { EXPECT_TRUE(fs::is_symlink(d / "t")); }},
        {"hard links all see the new contents",
         [&](const fs::path& d) {
             Put(d / "t", "older and longer");
             fs::create_hard_link(d / "t", d / "other");
             EXPECT_EQ(::stat((d / "t").c_str(), &probe), 0);
             return d / "t";
         },
         ReadOnlyTarget::Refuse, true,
         [&](const fs::path& d) {
             struct stat st {};
             EXPECT_EQ(::stat((d / "t").c_str(), &st), 0);
             EXPECT_EQ(st.st_ino, probe.st_ino);
             EXPECT_EQ(st.st_nlink, 2u);
             EXPECT_EQ(Contents(d / "other"), "new");
         }},
        {"read-only refused", [&](const fs::path& d) { return chmodded(d / "t", 0444); },
         ReadOnlyTarget::Refuse, false,
         [&](const fs::path& d) { EXPECT_EQ(modeOf(d / "t"), 0444u); }},
        {"read-only behind a symlink refused",
         [&](const fs::path& d) {
             chmodded(d / "real", 0400);
             fs::create_symlink("real", d / "t");
             return d / "t";
         },
         ReadOnlyTarget::Refuse, false,
         [](const fs::path& d) { EXPECT_EQ(Contents(d / "real"), "old"); }},
        {"read-only replaced when agreed, and stays read-only",
         [&](const fs::path& d) { return chmodded(d / "t", 0444); }, ReadOnlyTarget::Replace,
         true, [&](const fs::path& d) { EXPECT_EQ(modeOf(d / "t"), 0444u); }},
        {"a folder refused",
         [](const fs::path& d) {
             fs::create_directory(d / "t");
             return d / "t";
         },
         ReadOnlyTarget::Replace, false,
         [](const fs::path& d) { EXPECT_TRUE(fs::is_directory(d / "t")); }},
        {"owner and group kept where permitted",
         [&](const fs::path& d) {
             const fs::path t = chmodded(d / "t", 0640);
             // Root may give the file to anyone; others keep what they have.
             if (root) {
                 EXPECT_EQ(::chown(t.c_str(), 4321, 4322), 0);
             }
             EXPECT_EQ(::stat(t.c_str(), &probe), 0);
             return t;
         },
         ReadOnlyTarget::Refuse, true,
         [&](const fs::path& d) {
             struct stat st {};
             EXPECT_EQ(::stat((d / "t").c_str(), &st), 0);
             EXPECT_EQ(st.st_uid, probe.st_uid);
             EXPECT_EQ(st.st_gid, probe.st_gid);
             EXPECT_EQ(st.st_mode & 07777, 0640u);
         }},
    };
    const std::uint8_t bytes[] = {'n', 'e', 'w'};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        test::TempFolder dir;
        const fs::path name = row.Make(dir.Path());
        std::set<fs::path> before;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
            before.insert(e.path());
        const Status s = WriteFileAtomic(name, bytes, DiskFlush::No, row.ReadOnly);
        EXPECT_EQ(s.Ok(), row.Written) << (s ? "" : s.ErrorMessage());
        if (row.Written) {
            EXPECT_EQ(Contents(name), "new");
        } else if (std::error_code ec; fs::is_regular_file(name, ec)) {
            EXPECT_EQ(Contents(name), "old");
        }
        if (!s && std::string(row.Name).find("read-only") != std::string::npos) {
            EXPECT_EQ(s.ErrorMessage(), "Can not write file " + PathText(name) +
                                            ": the file is read-only");
        }
        row.Check(dir.Path());
        // Nothing new beside the target but the file a dangling link named.
        for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
            EXPECT_TRUE(before.count(e.path()) || e.path() == name ||
                        e.path().filename() == "made")
                << e.path();
    }
}

// A batch of more files than the descriptor limit allows open: held open as far as the limit
// goes (raised for the batch where the ceiling is higher, and put back after), the rest closed
// under their hidden names, also when descriptors run out in the middle. Each row runs in a
// child process, since it changes the process's limit; the child's exit status names the
// first check that failed.
TEST(AtomicFileBatch, ManyFilesUnderAnyDescriptorLimit) {
    struct rlimit start {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &start), 0);
    struct Row {
        const char* Name;
        bool LowerCeiling;  // the ceiling comes down to the limit, so nothing can be raised
        bool RunOut;        // every descriptor left is taken while the batch is under way
    };
    const Row rows[] = {{"limit below the batch, ceiling too", true, false},
                        {"limit raised to the ceiling and put back", false, false},
                        {"descriptors run out in the middle", true, true}};
    constexpr rlim_t Limit = 100;
    constexpr int Files = 300;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        if (!row.LowerCeiling && start.rlim_max < 2 * Files)
            continue;  // no ceiling to raise the limit to
        test::TempFolder dir;
        const fs::path d = dir.Path();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            struct rlimit low = start;
            low.rlim_cur = Limit;
            if (row.LowerCeiling)
                low.rlim_max = Limit;
            if (::setrlimit(RLIMIT_NOFILE, &low) != 0)
                ::_exit(10);
            int status = 0;
            {
                AtomicFileBatch batch;
                std::vector<int> taken;
                for (int i = 0; i < Files && status == 0; ++i) {
                    if (row.RunOut && i == 40) {
                        for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;)
                            taken.push_back(fd);
                    }
                    const std::string text = "file " + std::to_string(i);
                    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size());
                    if (!batch.Add(d / ("f" + std::to_string(i)), bytes))
                        status = 11;
                }
                struct rlimit during {};
                ::getrlimit(RLIMIT_NOFILE, &during);
                if (status == 0 && !row.LowerCeiling && during.rlim_cur != start.rlim_max)
                    status = 12;
                if (status == 0) {
                    for (const Status& s : batch.Commit())
                        status = s ? status : 13;
                }
                for (int fd : taken)
                    ::close(fd);
            }
            struct rlimit after {};
            ::getrlimit(RLIMIT_NOFILE, &after);
            if (status == 0 && after.rlim_cur != Limit)
                status = 14;
            ::_exit(status);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "10 setting the limit, 11 a file not written, "
                                             "12 the limit not raised, 13 a file not put in "
                                             "place, 14 the limit not put back";
        EXPECT_EQ(FileCount(d), static_cast<std::size_t>(Files));  // no temporary file beside
        EXPECT_EQ(Contents(d / "f0"), "file 0");
        EXPECT_EQ(Contents(d / "f299"), "file 299");
    }
}

// A save first removes our temporary files of the same target that no running save holds: a
// killed save's leftovers go, while another target's, a live save's and other names stay.
TEST(WriteFileAtomic, RemovesItsOwnStaleTemporaryFiles) {
    test::TempFolder dir;
    const fs::path d = dir.Path();
    Put(d / "out.ico", "old");
    const char* stale[] = {".out.ico.0123456789ab.tmp", ".out.ico.ffffffff0000.tmp"};
    const char* kept[] = {".out.ico.0123456789AB.tmp", ".out.ico.0123.tmp", "out.ico.0123456789ab.tmp",
                          ".other.ico.0123456789ab.tmp", ".out.ico.0123456789ab.tmpx",
                          ".out.ico.aaaaaaaaaaaa.tmp"};
    for (const char* n : stale)
        Put(d / n, "leftover");
    for (const char* n : kept)
        Put(d / n, "leftover");
    // A save under way holds its file locked.
    const int live = ::open((d / ".out.ico.aaaaaaaaaaaa.tmp").c_str(), O_RDONLY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    const std::uint8_t bytes[] = {'n'};
    ASSERT_TRUE(WriteFileAtomic(d / "out.ico", bytes).Ok());
    ::close(live);
    for (const char* n : stale)
        EXPECT_FALSE(fs::exists(d / n)) << n;
    for (const char* n : kept)
        EXPECT_TRUE(fs::exists(d / n)) << n;
    EXPECT_EQ(FileCount(d), 1 + std::size(kept));
}
#endif

}  // namespace
}  // namespace gf
