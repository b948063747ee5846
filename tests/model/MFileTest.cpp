#include "MFile.h"
#include "TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(MFileRead, ReadsEveryByteOrSaysWhyAndLeavesTheBufferAlone)
{
    TempDir dir;
    const std::string content("a\0b\r\n\xff\x80 end", 11);
    const std::string path = dir.Write("bytes.bin", content);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(MFile::ReadWhole(path, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content);
    std::string text = "old";
    ASSERT_TRUE(MFile::ReadWhole(dir.Write("empty.txt", ""), text));
    EXPECT_EQ(text, "");
    // Files whose size says nothing (as under /proc) are read to their end.
    std::ifstream in("/proc/self/maps");
    const std::string maps((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(MFile::ReadWhole("/proc/self/maps", text));
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2)),
              maps.substr(maps.rfind('\n', maps.size() - 2)));

    ASSERT_EQ(mkfifo((dir.Path() / "pipe").c_str(), 0600), 0);
    fs::create_directory(dir.Path() / "folder");
    const std::pair<std::string, MFileError> failures[] = {
        {(dir.Path() / "nope.txt").string(), MFILE_NOT_FOUND},
        {(dir.Path() / "no/such/folder.txt").string(), MFILE_NOT_FOUND},
        {"", MFILE_NOT_FOUND},
        {(dir.Path() / "folder").string(), MFILE_NOT_A_FILE},
        {(dir.Path() / "pipe").string(), MFILE_NOT_A_FILE}, // refused, not waited on
        {"/dev/zero", MFILE_NOT_A_FILE}};
    text = "untouched";
    for (const auto& [name, code] : failures)
    {
        const MFileResult r = MFile::ReadWhole(name, text);
        EXPECT_EQ(r.code, code) << name;
        EXPECT_FALSE(r.reason.IsEmpty()) << name;
    }
    EXPECT_EQ(text, "untouched");

    // The size cap is inclusive.
    const std::string hundred = dir.Write("hundred.bin", std::string(100, 'x'));
    const MFileResult over = MFile::ReadWhole(hundred, bytes, 99);
    EXPECT_EQ(over.code, MFILE_TOO_LARGE);
    EXPECT_NE(over.reason.str().find("99"), std::string::npos) << over.reason.str();
    EXPECT_EQ(bytes.size(), content.size());
    ASSERT_TRUE(MFile::ReadWhole(hundred, bytes, 100));
    EXPECT_EQ(bytes.size(), 100u);
}

TEST(MFileWrite, ReplacesInPlaceKeepingPermissionsLinksAndNoTemporaryFiles)
{
    TempDir dir;
    const std::string path = (dir.Path() / "out.txt").string();
    ASSERT_TRUE(MFile::WriteWhole(path, "first version, longer than the second"));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(MFile::WriteWhole(path, std::string_view("second\0", 7)));
    EXPECT_EQ(ReadWholeFile(path), std::string("second\0", 7));
    struct stat st = {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"out.txt"});

    fs::create_symlink("out.txt", dir.Path() / "link.txt");
    ASSERT_TRUE(MFile::WriteWhole((dir.Path() / "link.txt").string(), ""));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.txt"));
    EXPECT_EQ(ReadWholeFile(path), "");
}

TEST(MFileWrite, FailedWritesKeepTheOldFile)
{
    TempDir dir;
    const std::string path = dir.Write("keep.txt", "precious");
    {
        FileSizeLimit limit(64); // the disk fills up part-way through
        MFileResult r = MFile::WriteWhole(path, std::string(4096, 'z'));
        EXPECT_EQ(r.code, MFILE_WRITE_ERROR);
        EXPECT_FALSE(r.reason.IsEmpty());
    }
    EXPECT_EQ(ReadWholeFile(path), "precious");
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"keep.txt"});

    fs::create_directory(dir.Path() / "taken");
    EXPECT_EQ(MFile::WriteWhole((dir.Path() / "taken").string(), "x").code, MFILE_NOT_A_FILE);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "taken"));
    EXPECT_EQ(MFile::WriteWhole((dir.Path() / "missing/f.txt").string(), "x").code,
              MFILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));
    EXPECT_FALSE(MFile::WriteWhole("", "x"));

    EXPECT_TRUE(MFile::Exists(path));
    for (const std::string& no :
         {dir.Path().string(), (dir.Path() / "b.txt").string(), std::string()})
        EXPECT_FALSE(MFile::Exists(no)) << no;
}
