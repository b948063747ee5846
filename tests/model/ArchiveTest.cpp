// pk3 archives and .pk3dir folders as image search places: the game's search
// order, names inside archives, reading members through MFile, and damaged
// archives skipped with one log line.

#include "MArchiveCache.h"
#include "MFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;

namespace
{
std::string Corpus(const char* name)
{
    return ReadWholeFile(CorpusDir() / "images" / name);
}

std::string ReadThroughMFile(const MStr& path)
{
    std::string data;
    return MFile::ReadWhole(path, data) ? data : "(unreadable)";
}

std::string ReadThroughStdio(const MStr& path)
{
    std::FILE* f = MFile::OpenRegular(path);
    if (!f)
        return "(unopenable)";
    std::string data;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
        data.append(buffer, n);
    std::fclose(f);
    return data;
}

size_t CountLinesWith(const CaptureSink& log, const std::string& text)
{
    return std::count_if(log.lines.begin(), log.lines.end(),
                         [&](const std::string& l) { return l.find(text) != std::string::npos; });
}
} // namespace

TEST(Archive, SearchedInTheGameOrderAndReadThroughTheFileService)
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

    struct Case
    {
        const char* name;
        const std::string* data; // null: not found
        const char* container;   // what the found path runs through
        const char* inside;      // the name inside it
    };
    const Case cases[] = {
        {"textures/base/wall.tga", &medkit, "zz.pk3dir", "textures/base/WALL.tga"},
        {"TEXTURES\\BOTH.tga", &wallB, "PAK1.pk3", "textures/both.tga"},
        {"textures/only0.TGA", &wallA, "pak0.pk3", "textures/only0.tga"},
        {"textures/sub/deep/ice.jpg", &jpg, "PAK1.pk3", "Textures/Sub/Deep/Ice.JPG"},
        {"textures/inpk3dir.tga", &jpg, "", "textures/inpk3dir.tga"},
        {"textures/missing.tga", nullptr, "", ""},
        {"textures", nullptr, "", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const MStr found = sys.manager.FindImageFile(c.name);
        if (!c.data)
        {
            EXPECT_EQ(found, "");
            continue;
        }
        EXPECT_EQ(found.str(),
                  (game / c.container).string() + (*c.container ? "/" : "") + c.inside);
        EXPECT_EQ(sys.manager.GetRelativeImageFilename(found), c.inside);
        EXPECT_TRUE(MFile::Exists(found));
        EXPECT_TRUE(ReadThroughMFile(found) == *c.data);
        EXPECT_TRUE(ReadThroughStdio(found) == *c.data);
    }

    // The archive itself as the search place.
    sys.manager.GetImageSearchPaths() = MStrList();
    sys.manager.GetImageSearchPaths().AddString((game / "pak0.pk3").string());
    const MStr inPak0 = sys.manager.FindImageFile("textures/base/wall.tga");
    EXPECT_EQ(inPak0.str(), (game / "pak0.pk3/textures/Base/Wall.TGA").string());
    EXPECT_EQ(sys.manager.FindImageFile("textures/sub/deep/ice.jpg"), "");
    EXPECT_FALSE(MFile::Exists((game / "pak0.pk3/textures/none.tga").string()));
    EXPECT_EQ(ReadThroughStdio((game / "pak0.pk3/textures/none.tga").string()), "(unopenable)");
    EXPECT_TRUE(sys.log.lines.empty());
}

TEST(Archive, DamagedArchivesAndMembersAreSkippedWithOneLogLine)
{
    const std::string good = Corpus("oa-am_galmevish.tga"), other = Corpus("oa-multi.tga");
    enum Damage
    {
        CutShort,
        DataChanged,
        ChecksumChanged,
        HugeSize
    };
    const std::string member = "member 'textures/bad.tga' skipped: ";
    const struct
    {
        Damage damage;
        bool deflate;
        std::string logged; // what the one log line holds beside the archive's name
    } cases[] = {{CutShort, false, "' skipped: "},
                 {DataChanged, false, member},
                 {DataChanged, true, member},
                 {ChecksumChanged, true, member},
                 {HugeSize, false, member}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(int(c.damage) * 2 + c.deflate);
        TestSystem sys;
        TempDir dir;
        const fs::path pk3 = dir.Path() / "pak0.pk3";
        ASSERT_TRUE(WriteArchive(pk3, {{"textures/bad.tga", good}, {"textures/fine.tga", other}},
                                 c.deflate));
        std::string bytes = ReadWholeFile(pk3);
        // The central directory's entry of the first member.
        const size_t central = bytes.find(std::string("PK\x01\x02", 4));
        ASSERT_NE(central, std::string::npos);
        if (c.damage == CutShort)
            bytes.resize(bytes.size() / 2);
        else if (c.damage == DataChanged)
            bytes[30 + std::strlen("textures/bad.tga") + 1000] ^= 0x55; // inside the member's data
        else if (c.damage == ChecksumChanged)
            bytes[central + 16] ^= 0x01;
        else
            std::memcpy(&bytes[central + 24], "\xF0\xFF\xFF\xFF", 4); // uncompressed size
        dir.Write("pak0.pk3", bytes);
        sys.manager.GetImageSearchPaths().AddString(dir.Path().string());

        for (int attempt = 0; attempt < 2; ++attempt)
        {
            std::string data;
            const MStr found = sys.manager.FindImageFile("textures/bad.tga");
            EXPECT_TRUE(found.IsEmpty() || !MFile::ReadWhole(found, data));
        }
        EXPECT_EQ(sys.manager.FindImageFile("textures/bad.tga"), "");
        ASSERT_EQ(CountLinesWith(sys.log, "Archive '" + pk3.string()), 1u)
            << (sys.log.lines.empty() ? "" : sys.log.lines[0]);
        EXPECT_EQ(CountLinesWith(sys.log, c.logged), 1u) << sys.log.lines[0];
        // The rest of an archive that could be opened stays readable.
        if (c.damage != CutShort)
        {
            EXPECT_TRUE(ReadThroughMFile(sys.manager.FindImageFile("textures/fine.tga")) == other);
        }
    }
}

TEST(Archive, LookUpFoldsCaseAndSeparatorsOnly)
{
    TempDir dir;
    const fs::path pk3 = dir.Path() / "a.pk3";
    ASSERT_TRUE(WriteArchive(
        pk3, {{"Models/Box.MD3", "x"}, {"models/", ""}, {"dup.tga", "1"}, {"DUP.tga", "2"}}));
    std::string reason;
    auto archive = MArchive::Open(pk3.string(), reason);
    ASSERT_TRUE(archive) << reason;
    EXPECT_EQ(archive->GetMemberCount(), 2u); // folder entries and a second spelling are not kept
    EXPECT_GE(archive->Find("models\\box.md3"), 0);
    EXPECT_GE(archive->Find("/MODELS/BOX.MD3"), 0);
    EXPECT_LT(archive->Find("models/box.md"), 0);
    EXPECT_LT(archive->Find("models"), 0);
    std::vector<uint8_t> data;
    ASSERT_TRUE(archive->Read(archive->Find("dup.TGA"), data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "1");
    EXPECT_FALSE(MArchive::Open((dir.Path() / "none.pk3").string(), reason));
    // The same archive held in memory reads alike.
    const std::string bytes = ReadWholeFile(pk3);
    const auto* raw = reinterpret_cast<const uint8_t*>(bytes.data());
    auto inMemory = MArchive::OpenMemory(raw, bytes.size(), "memory", reason);
    ASSERT_TRUE(inMemory) << reason;
    ASSERT_TRUE(inMemory->Read(inMemory->Find("models/box.md3"), data));
    EXPECT_EQ(std::string(data.begin(), data.end()), "x");
    EXPECT_FALSE(MArchive::OpenMemory(raw, bytes.size() / 2, "memory", reason));
}
