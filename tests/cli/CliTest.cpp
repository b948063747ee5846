#include "TestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace
{
struct CliRun
{
    int status = -1;
    std::string out;
};

CliRun Cli(const std::string& args, const std::string& errFile = "/dev/null")
{
    const std::string cmd = (BinDir() / "glazen-cli").string() + " " + args + " 2>" + errFile;
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    for (int c; p && (c = std::fgetc(p)) != EOF;)
        r.out += char(c);
    const int st = p ? pclose(p) : -1;
    r.status = p && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

const std::string base = (TestDataDir() / "shaders" / "sample_base.shader").string();
const std::string effects = (TestDataDir() / "shaders" / "sample_effects.shader").string();
} // namespace

TEST(GlazenCli, CheckListConvertAndTexturesWithTheirOutputAndExitCodes)
{
    TempDir dir;
    const std::string missing = (dir.Path() / "missing.shader").string();
    const std::string err = (dir.Path() / "err.txt").string();
    CliRun r = Cli("check " + base + " " + effects + " " + missing, err);
    EXPECT_EQ(r.status, 1) << "a file could not be read";
    EXPECT_NE(ReadWholeFile(err).find(missing), std::string::npos);
    EXPECT_NE(r.out.find("Q3AShaderImport: Keyword not found q3map_flare\n"), std::string::npos);
    EXPECT_NE(r.out.find(base + ": 3 shaders, 4 stages, 20 nodes, 3 messages\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(effects + ": 2 shaders, 3 stages, 13 nodes, 3 messages\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(Cli("check " + base + " " + effects).status, 0);

    for (const char* usage : {"", "frobnicate x", "check", "--image-path", "textures", "convert a"})
        EXPECT_EQ(Cli(usage).status, 2) << usage;

    // No plug-in where the program is told to look.
    EXPECT_EQ(Cli("--plugins " + dir.Path().string() + " check " + base, err).status, 1);
    EXPECT_NE(ReadWholeFile(err).find("no shader translator"), std::string::npos);

    // List, and convert two scripts into one and back: a shader in a block comment stays out.
    EXPECT_EQ(Cli("list " + effects).out, "textures/sample/flicker\ntextures/sample/fog\n");

    const std::string out = (dir.Path() / "all.shader").string();
    ASSERT_EQ(Cli("convert " + base + " " + effects + " -o " + out).status, 0);
    const std::string first = ReadWholeFile(out);
    EXPECT_EQ(Cli("list " + out).out,
              "textures/sample/wall_lit\ntextures/sample/slime\ntextures/sample/sky\n"
              "textures/sample/flicker\ntextures/sample/fog\n");
    const std::string again = (dir.Path() / "again.shader").string();
    ASSERT_EQ(Cli("convert " + out + " -o " + again).status, 0);
    EXPECT_EQ(ReadWholeFile(again), first);

    // Textures are looked for in folders, archives and .pk3dir folders given with --image-path;
    // what is found there never changes the names a converted script is written with.
    const std::filesystem::path game = dir.Path() / "baseoa";
    ASSERT_TRUE(WriteArchive(game / "pak0.pk3", {{"Textures/Sfx/Wall.tga", "x"}}));
    dir.Write("baseoa/z.pk3dir/textures/sfx/glow.png", "x");
    dir.Write("loose/textures/sfx/floor.jpg", "not really a jpeg");
    const std::string script = dir.Write("a.shader", "textures/sfx/one\n{\n  { map $lightmap }\n"
                                                     "  { map textures/sfx/wall.tga }\n"
                                                     "  { map textures/sfx/glow.tga }\n"
                                                     "  { map textures/sfx/floor.tga }\n"
                                                     "  { map textures/sfx/wall.tga }\n}\n");
    const std::string wall =
        "wall.tga: folder " + game.string() + ", archive pak0.pk3, member Textures/Sfx/Wall.tga\n";
    const std::string places =
        "--image-path " + (dir.Path() / "loose").string() + " --image-path " + game.string();
    r = Cli(places + " textures " + script);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, script + "\n  textures/sfx/one\n    textures/sfx/" + wall +
                         "    textures/sfx/glow.tga: folder " + game.string() +
                         ", archive z.pk3dir, member textures/sfx/glow.png\n" +
                         "    textures/sfx/floor.tga: folder " + (dir.Path() / "loose").string() +
                         ", file textures/sfx/floor.jpg\n" +
                         "3 textures named, 3 found, 0 missing\n");

    // The archive itself as the place; the other two are missing now.
    r = Cli("--image-path " + (game / "pak0.pk3").string() + " textures " + script);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(wall), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    textures/sfx/glow.tga: missing\n"), std::string::npos);
    EXPECT_NE(r.out.find("3 textures named, 1 found, 2 missing\n"), std::string::npos);

    const std::string o = (dir.Path() / "o.shader").string();
    ASSERT_EQ(Cli(places + " convert " + script + " -o " + o).status, 0);
    EXPECT_NE(ReadWholeFile(o).find("map textures/sfx/floor.tga\n"), std::string::npos);
    EXPECT_NE(ReadWholeFile(o).find("map textures/sfx/glow.tga\n"), std::string::npos);
}
