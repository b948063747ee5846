#include "MFile.h"
#include "TestSupport.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
std::vector<std::string> FolderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

TEST(MFileRead, ReadsEveryByteIntoEitherBuffer)
{
    TempDir dir;
    const std::string content("a\0b\r\n\xff\x80 end", 11);
    const std::string path = dir.Write("bytes.bin", content);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(MFile::ReadWhole(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);

    std::string text = "old";
    MFileResult r = MFile::ReadWhole(path, text);
    EXPECT_EQ(r.code, MFILE_OK);
    EXPECT_TRUE(r.reason.IsEmpty());
    EXPECT_EQ(text, content);

    const std::string empty = dir.Write("empty.txt", "");
    text = "old";
    ASSERT_TRUE(MFile::ReadWhole(empty, text));
    EXPECT_EQ(text, "");
}

TEST(MFileRead, FailuresSayWhyAndLeaveTheBufferAlone)
{
    TempDir dir;
    std::string text = "untouched";

    MFileResult missing = MFile::ReadWhole((dir.Path() / "nope.txt").string(), text);
    EXPECT_EQ(missing.code, MFILE_NOT_FOUND);
    EXPECT_FALSE(missing.reason.IsEmpty());
    EXPECT_EQ(MFile::ReadWhole((dir.Path() / "no/such/folder.txt").string(), text).code,
              MFILE_NOT_FOUND);
    EXPECT_EQ(MFile::ReadWhole("", text).code, MFILE_NOT_FOUND);

    MFileResult folder = MFile::ReadWhole(dir.Path().string(), text);
    EXPECT_EQ(folder.code, MFILE_NOT_A_FILE);
    EXPECT_FALSE(folder.reason.IsEmpty());

    // A pipe nobody writes to must be refused, not waited on.
    const std::string fifo = (dir.Path() / "pipe").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(MFile::ReadWhole(fifo, text).code, MFILE_NOT_A_FILE);
    EXPECT_EQ(MFile::ReadWhole("/dev/zero", text).code, MFILE_NOT_A_FILE);

    EXPECT_EQ(text, "untouched");
}

TEST(MFileRead, SizeCapIsInclusive)
{
    TempDir dir;
    const std::string path = dir.Write("hundred.bin", std::string(100, 'x'));
    std::vector<uint8_t> data{1, 2, 3};

    MFileResult over = MFile::ReadWhole(path, data, 99);
    EXPECT_EQ(over.code, MFILE_TOO_LARGE);
    EXPECT_NE(over.reason.str().find("99"), std::string::npos) << over.reason.str();
    EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3}));

    ASSERT_TRUE(MFile::ReadWhole(path, data, 100));
    EXPECT_EQ(data.size(), 100u);
}

TEST(MFileWrite, CreatesAndReplacesWithoutLeavingTemporaryFiles)
{
    TempDir dir;
    const std::string path = (dir.Path() / "out.txt").string();

    ASSERT_TRUE(MFile::WriteWhole(path, "first version, longer than the second"));
    EXPECT_EQ(ReadWholeFile(path), "first version, longer than the second");

    ASSERT_TRUE(MFile::WriteWhole(path, std::string_view("second\0", 7)));
    EXPECT_EQ(ReadWholeFile(path), std::string("second\0", 7));

    ASSERT_TRUE(MFile::WriteWhole(path, ""));
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"out.txt"});
}

TEST(MFileWrite, ReplacedFileKeepsItsPermissions)
{
    TempDir dir;
    const std::string path = dir.Write("private.cfg", "old");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(MFile::WriteWhole(path, "new"));
    struct stat st = {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(MFileWrite, FollowsASymbolicLinkInsteadOfReplacingIt)
{
    TempDir dir;
    const std::string real = dir.Write("real.txt", "old");
    const fs::path link = dir.Path() / "link.txt";
    fs::create_symlink("real.txt", link);

    ASSERT_TRUE(MFile::WriteWhole(link.string(), "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadWholeFile(real), "new");
}

TEST(MFileWrite, FailedWritesKeepTheOldFile)
{
    TempDir dir;
    const std::string path = dir.Write("keep.txt", "precious");

    // The disk fills up part-way through.
    {
        FileSizeLimit limit(64);
        MFileResult r = MFile::WriteWhole(path, std::string(4096, 'z'));
        EXPECT_EQ(r.code, MFILE_WRITE_ERROR);
        EXPECT_FALSE(r.reason.IsEmpty());
    }
    EXPECT_EQ(ReadWholeFile(path), "precious");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.txt"});

    // A folder stands where the file should go.
    fs::create_directory(dir.Path() / "taken");
    EXPECT_EQ(MFile::WriteWhole((dir.Path() / "taken").string(), "x").code, MFILE_NOT_A_FILE);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "taken"));

    // The folder does not exist.
    MFileResult r = MFile::WriteWhole((dir.Path() / "missing" / "f.txt").string(), "x");
    EXPECT_EQ(r.code, MFILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));

    EXPECT_FALSE(MFile::WriteWhole("", "x"));
}

TEST(MFile, ExistsOnlyForRegularFiles)
{
    TempDir dir;
    EXPECT_TRUE(MFile::Exists(dir.Write("a.txt", "a")));
    EXPECT_FALSE(MFile::Exists(dir.Path().string()));
    EXPECT_FALSE(MFile::Exists((dir.Path() / "b.txt").string()));
    EXPECT_FALSE(MFile::Exists(""));
}
