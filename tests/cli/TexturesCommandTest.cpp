// glazen-cli textures: each shader's textures and where they are found, in
// folders, archives and .pk3dir folders given with --image-path.

#include "TestSupport.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace
{
// Runs glazen-cli; returns the exit status and what it printed on stdout.
std::pair<int, std::string> RunCli(const std::string& args)
{
    const std::string cmd = (BinDir() / "glazen-cli").string() + " " + args + " 2>/dev/null";
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return {-1, out};
    std::array<char, 4096> buf;
    for (size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;)
        out.append(buf.data(), n);
    const int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}
} // namespace

TEST(GlazenCliTextures, ListsWhereEachTextureIsFoundAndFailsOnAMissingOne)
{
    TempDir dir;
    const fs::path game = dir.Path() / "baseoa";
    ASSERT_TRUE(WriteArchive(game / "pak0.pk3", {{"Textures/Sfx/Wall.tga", "x"}}));
    dir.Write("baseoa/z.pk3dir/textures/sfx/glow.png", "x");
    dir.Write("loose/textures/sfx/floor.png", "x");
    const std::string script = dir.Write("a.shader", "textures/sfx/one\n"
                                                     "{\n"
                                                     "  { map $lightmap }\n"
                                                     "  { map textures/sfx/wall.tga }\n"
                                                     "  { map textures/sfx/glow.tga }\n"
                                                     "  { map textures/sfx/floor.tga }\n"
                                                     "  { map textures/sfx/wall.tga }\n"
                                                     "}\n");
    const std::string places =
        "--image-path " + (dir.Path() / "loose").string() + " --image-path " + game.string();
    auto [status, out] = RunCli(places + " textures " + script);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, script + "\n  textures/sfx/one\n" + "    textures/sfx/wall.tga: folder " +
                       game.string() + ", archive pak0.pk3, member Textures/Sfx/Wall.tga\n" +
                       "    textures/sfx/glow.tga: folder " + game.string() +
                       ", archive z.pk3dir, member textures/sfx/glow.png\n" +
                       "    textures/sfx/floor.tga: folder " + (dir.Path() / "loose").string() +
                       ", file textures/sfx/floor.png\n" +
                       "3 textures named, 3 found, 0 missing\n");

    // The archive itself as the place; the other two are missing now.
    std::tie(status, out) =
        RunCli("--image-path " + (game / "pak0.pk3").string() + " textures " + script);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("wall.tga: folder " + game.string() +
                       ", archive pak0.pk3, member Textures/Sfx/Wall.tga\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("    textures/sfx/glow.tga: missing\n"), std::string::npos);
    EXPECT_NE(out.find("3 textures named, 1 found, 2 missing\n"), std::string::npos);
    EXPECT_EQ(RunCli("textures").first, 2);
}
