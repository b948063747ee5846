// Runs the built glazen-cli as a user would and checks what it prints, writes
// and exits with.

#include "TestSupport.h"

#include <array>
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

// Runs glazen-cli with the arguments; stdout is captured, stderr goes to a file.
CliRun Cli(const std::string& args, const std::string& errFile = "/dev/null")
{
    const std::string cmd = (BinDir() / "glazen-cli").string() + " " + args + " 2>" + errFile;
    CliRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Sample(const char* name)
{
    return (TestDataDir() / "shaders" / name).string();
}
} // namespace

TEST(GlazenCli, CheckPrintsLogLinesAndOneSummaryPerFile)
{
    const std::string base = Sample("sample_base.shader"),
                      effects = Sample("sample_effects.shader");
    const CliRun r = Cli("check " + base + " " + effects);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ShaderImport: Name: textures/sample/slime\n"), std::string::npos);
    EXPECT_NE(r.out.find("Q3AShaderImport: Keyword not found q3map_flare\n"), std::string::npos);
    // base nodes: wall (QER, surface | file, rgbGen | file, blend), slime (deform, QER, surface |
    // file, scroll, turb, rgbGen), sky (QER, surface, sky, sun | file, scale, scroll).
    EXPECT_NE(r.out.find(base + ": 3 shaders, 4 stages, 20 nodes, 3 messages\n"), std::string::npos)
        << r.out;
    // effects: flicker (kept line, QER | anim, blend, rgbGen | file, blend, tcGen, alphaGen,
    // rgbGen), fog (QER, surface | kept "detail").
    EXPECT_NE(r.out.find(effects + ": 2 shaders, 3 stages, 13 nodes, 3 messages\n"),
              std::string::npos)
        << r.out;
}

TEST(GlazenCli, ExitCodesTellUnreadableFilesFromUsageErrors)
{
    TempDir tmp;
    const std::string missing = (tmp.Path() / "missing.shader").string();
    const std::string err = (tmp.Path() / "err.txt").string();
    CliRun r = Cli("check " + Sample("sample_base.shader") + " " + missing, err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("sample_base.shader: 3 shaders"), std::string::npos);
    EXPECT_NE(ReadWholeFile(err).find(missing), std::string::npos);

    EXPECT_EQ(Cli("").status, 2);
    EXPECT_EQ(Cli("frobnicate x").status, 2);
    EXPECT_EQ(Cli("check").status, 2);
    EXPECT_EQ(Cli("--image-path").status, 2);
    EXPECT_EQ(Cli("convert " + Sample("sample_base.shader")).status, 2);

    // No plug-in where the program is told to look.
    r = Cli("--plugins " + tmp.Path().string() + " check " + Sample("sample_base.shader"), err);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(ReadWholeFile(err).find("no shader translator"), std::string::npos);
}

TEST(GlazenCli, ListAndConvertRoundTrip)
{
    TempDir tmp;
    const CliRun list = Cli("list " + Sample("sample_effects.shader"));
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "textures/sample/flicker\ntextures/sample/fog\n");

    const std::string out = (tmp.Path() / "all.shader").string();
    ASSERT_EQ(Cli("convert " + Sample("sample_base.shader") + " " +
                  Sample("sample_effects.shader") + " -o " + out)
                  .status,
              0);
    const std::string first = ReadWholeFile(out);
    EXPECT_NE(first.find("\tq3map_flare flareShader-wide\n"), std::string::npos);
    EXPECT_NE(first.find("\t\trgbGen const ( 1 0.5 0.25 )\n"), std::string::npos);
    EXPECT_EQ(first.find("flicker_old"), std::string::npos);

    const CliRun relist = Cli("list " + out);
    EXPECT_EQ(relist.out, "textures/sample/wall_lit\ntextures/sample/slime\ntextures/sample/sky\n"
                          "textures/sample/flicker\ntextures/sample/fog\n");
    const std::string again = (tmp.Path() / "again.shader").string();
    ASSERT_EQ(Cli("convert " + out + " -o " + again).status, 0);
    EXPECT_EQ(ReadWholeFile(again), first);
}

TEST(GlazenCli, MapNamesAreWrittenAsTheScriptHadThemWhateverLiesInTheImagePaths)
{
    TempDir tmp;
    tmp.Write("game/textures/x/a.jpg", "not really a jpeg");
    const std::string script = tmp.Write("s.shader", "t\n{\n{\nmap textures/x/a.tga\n}\n}\n");
    const std::string out = (tmp.Path() / "o.shader").string();
    ASSERT_EQ(
        Cli("--image-path " + (tmp.Path() / "game").string() + " convert " + script + " -o " + out)
            .status,
        0);
    EXPECT_NE(ReadWholeFile(out).find("map textures/x/a.tga"), std::string::npos);
    ASSERT_EQ(Cli("convert " + script + " -o " + out).status, 0);
    EXPECT_NE(ReadWholeFile(out).find("map textures/x/a.tga"), std::string::npos);
}
