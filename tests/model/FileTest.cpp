#include "MArchiveCache.h"
#include "MFile.h"
#include "TestSupport.h"
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

static long Entries(const fs::path& folder)
{
    return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
}
static std::string Corpus(const char* name)
{
    return ReadWholeFile(CorpusDir() / "images" / name);
}
static std::string ReadThroughMFile(const MStr& path)
{
    std::string data;
    return MFile::ReadWhole(path, data) ? data : "(unreadable)";
}
static std::string ReadThroughStdio(const MStr& path)
{
    std::FILE* f = MFile::OpenRegular(path);
    std::string data;
    for (int c; f && (c = std::fgetc(f)) != EOF;)
        data += char(c);
    return f && std::fclose(f) == 0 ? data : "(unopenable)";
}
static size_t CountLinesWith(const CaptureSink& log, const std::string& text)
{
    return std::count_if(log.lines.begin(), log.lines.end(),
                         [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

TEST(MFile, ReadsEveryByteOrSaysWhyAndWritesInPlaceOrKeepsTheOldFile)
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
    text = "untouched";
    const std::string d = dir.Path().string() + "/";
    for (const std::string& name : {d + "nope.txt", d + "no/such/folder.txt", std::string()})
        EXPECT_EQ(MFile::ReadWhole(name, text).code, MFILE_NOT_FOUND) << name;
    // A folder, a pipe (refused, not waited on) and a device.
    for (const std::string& name : {d + "folder", d + "pipe", std::string("/dev/zero")})
        EXPECT_EQ(MFile::ReadWhole(name, text).code, MFILE_NOT_A_FILE) << name;
    EXPECT_FALSE(MFile::ReadWhole(d + "folder", text).reason.IsEmpty());
    EXPECT_EQ(text, "untouched");
    // The size cap is inclusive.
    const std::string hundred = dir.Write("hundred.bin", std::string(100, 'x'));
    const MFileResult over = MFile::ReadWhole(hundred, bytes, 99);
    EXPECT_EQ(over.code, MFILE_TOO_LARGE);
    EXPECT_NE(over.reason.str().find("99"), std::string::npos) << over.reason.str();
    EXPECT_EQ(bytes.size(), content.size());
    ASSERT_TRUE(MFile::ReadWhole(hundred, bytes, 100));
    // Writes replace files in place, keeping permissions and links.
    const std::string out = (dir.Path() / "out.txt").string();
    ASSERT_TRUE(MFile::WriteWhole(out, "first version, longer than the second"));
    ASSERT_EQ(chmod(out.c_str(), 0640), 0);
    ASSERT_TRUE(MFile::WriteWhole(out, std::string_view("second\0", 7)));
    EXPECT_EQ(ReadWholeFile(out), std::string("second\0", 7));
    struct stat st = {};
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.Path()), 6);
    fs::create_symlink("out.txt", dir.Path() / "link.txt");
    ASSERT_TRUE(MFile::WriteWhole((dir.Path() / "link.txt").string(), ""));
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.txt"));
    EXPECT_EQ(ReadWholeFile(out), "");
    const std::string keep = dir.Write("keep.txt", "precious");
    {
        FileSizeLimit limit(64); // the disk fills up part-way through
        MFileResult r = MFile::WriteWhole(keep, std::string(4096, 'z'));
        EXPECT_EQ(r.code, MFILE_WRITE_ERROR);
        EXPECT_FALSE(r.reason.IsEmpty());
    }
    EXPECT_EQ(ReadWholeFile(keep), "precious");
    EXPECT_EQ(Entries(dir.Path()), 8);
    fs::create_directory(dir.Path() / "taken");
    EXPECT_EQ(MFile::WriteWhole((dir.Path() / "taken").string(), "x").code, MFILE_NOT_A_FILE);
    EXPECT_TRUE(fs::is_directory(dir.Path() / "taken"));
    EXPECT_EQ(MFile::WriteWhole((dir.Path() / "missing/f.txt").string(), "x").code,
              MFILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));
    EXPECT_TRUE(MFile::Exists(keep));
    for (const std::string& no :
         {dir.Path().string(), (dir.Path() / "b.txt").string(), std::string()})
        EXPECT_FALSE(MFile::Exists(no)) << no;
}
TEST(Archive, SearchedInTheGameOrderReadThroughTheFileServiceAndSkippedWhenDamaged)
{
    TestSystem sys;
    TempDir dir;
    const std::string wallA = Corpus("oa-am_galmevish.tga"), wallB = Corpus("oa-multi.tga");
    const std::string jpg = Corpus("oa-ice.jpg"), medkit = Corpus("oa-holdable_medkit.tga");
    const fs::path game = dir.Path() / "baseq3";
    ASSERT_TRUE(WriteArchive(game / "pak0.pk3", {{"textures/Base/Wall.TGA", wallA},
                                                 {"textures/both.tga", wallA},
                                                 {"textures/only0.tga", wallA},
                                                 {"textures/inpk3dir.tga", wallA}}));
    ASSERT_TRUE(WriteArchive(game / "PAK1.pk3",
                             {{"textures/base/wall.tga", wallB},
                              {"textures/both.tga", wallB},
                              {"Textures/Sub/Deep/Ice.JPG", jpg}},
                             false));
    dir.Write("baseq3/zz.pk3dir/textures/base/WALL.tga", medkit);
    dir.Write("baseq3/zz.pk3dir/textures/inpk3dir.tga", medkit);
    dir.Write("baseq3/textures/inpk3dir.tga", jpg); // loose files come first
    sys.manager.GetImageSearchPaths().AddString(game.string());
    // Found under the game folder as container/inside, read whole both ways.
    auto found =
        [&](const char* name, const std::string& data, const char* container, const char* inside)
    {
        SCOPED_TRACE(name);
        const MStr path = sys.manager.FindImageFile(name);
        EXPECT_EQ(path.str(), (game / container).string() + (*container ? "/" : "") + inside);
        EXPECT_EQ(sys.manager.GetRelativeImageFilename(path), inside);
        EXPECT_TRUE(MFile::Exists(path));
        EXPECT_TRUE(ReadThroughMFile(path) == data && ReadThroughStdio(path) == data);
    };
    found("textures/base/wall.tga", medkit, "zz.pk3dir", "textures/base/WALL.tga");
    found("TEXTURES\\BOTH.tga", wallB, "PAK1.pk3", "textures/both.tga");
    found("textures/only0.TGA", wallA, "pak0.pk3", "textures/only0.tga");
    found("textures/sub/deep/ice.jpg", jpg, "PAK1.pk3", "Textures/Sub/Deep/Ice.JPG");
    found("textures/inpk3dir.tga", jpg, "", "textures/inpk3dir.tga");
    EXPECT_EQ(sys.manager.FindImageFile("textures/missing.tga") +
                  sys.manager.FindImageFile("textures"),
              "");
    sys.manager.GetImageSearchPaths() = MStrList();
    sys.manager.GetImageSearchPaths().AddString((game / "pak0.pk3").string());
    EXPECT_EQ(sys.manager.FindImageFile("textures/base/wall.tga").str(),
              (game / "pak0.pk3/textures/Base/Wall.TGA").string());
    EXPECT_FALSE(MFile::Exists((game / "pak0.pk3/textures/none.tga").string()));
    EXPECT_EQ(ReadThroughStdio((game / "pak0.pk3/textures/none.tga").string()), "(unopenable)");
    EXPECT_TRUE(sys.log.lines.empty());
    const std::string good = Corpus("oa-am_galmevish.tga"), other = Corpus("oa-multi.tga");
    const int cut = 0, data = 1, checksum = 2, huge = 3; // the damage done
    for (auto [damage, deflate] :
         {std::pair{cut, false}, {data, false}, {data, true}, {checksum, true}, {huge, false}})
    {
        SCOPED_TRACE(damage * 2 + deflate);
        TestSystem sys;
        TempDir dir;
        const fs::path pk3 = dir.Path() / "pak0.pk3";
        ASSERT_TRUE(
            WriteArchive(pk3, {{"textures/bad.tga", good}, {"textures/fine.tga", other}}, deflate));
        std::string bytes = ReadWholeFile(pk3);
        // The central directory's entry of the first member.
        const size_t central = bytes.find(std::string("PK\x01\x02", 4));
        ASSERT_NE(central, std::string::npos);
        if (damage == cut)
            bytes.resize(bytes.size() / 2);
        else if (damage == data)
            bytes[30 + std::strlen("textures/bad.tga") + 1000] ^= 0x55; // inside the member's data
        else if (damage == checksum)
            bytes[central + 16] ^= 0x01;
        else
            std::memcpy(&bytes[central + 24], "\xF0\xFF\xFF\xFF", 4); // uncompressed size
        dir.Write("pak0.pk3", bytes);
        sys.manager.GetImageSearchPaths().AddString(dir.Path().string());
        for (std::string read : {"", ""}) // the second attempt logs nothing more
        {
            const MStr found = sys.manager.FindImageFile("textures/bad.tga");
            EXPECT_TRUE(found.IsEmpty() || !MFile::ReadWhole(found, read));
        }
        EXPECT_EQ(sys.manager.FindImageFile("textures/bad.tga"), "");
        ASSERT_EQ(CountLinesWith(sys.log, "Archive '" + pk3.string()), 1u)
            << (sys.log.lines.empty() ? "" : sys.log.lines[0]);
        // Beside the archive's name, the line names the damaged member if it could be opened.
        EXPECT_EQ(CountLinesWith(sys.log, damage == cut ? "' skipped: "
                                                        : "member 'textures/bad.tga' skipped: "),
                  1u)
            << sys.log.lines[0];
        // The rest of an archive that could be opened stays readable.
        if (damage != cut)
        {
            EXPECT_TRUE(ReadThroughMFile(sys.manager.FindImageFile("textures/fine.tga")) == other);
        }
    }
}
