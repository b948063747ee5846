// Every shader script of the corpus survives import and export: the same shaders, stages and
// node classes come back, a second export is byte for byte the first, and every keyword line
// of the original stands in the exported shader, in the same stage.

#include "PluginTestSupport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace
{
// A word lowered, with slashes for backslashes, and a number as the model holds it (single
// precision) in its shortest form.
std::string NormalWord(std::string w)
{
    std::replace(w.begin(), w.end(), '\\', '/');
    std::transform(w.begin(), w.end(), w.begin(), [](unsigned char c) { return std::tolower(c); });
    char* end = nullptr;
    const float d = static_cast<float>(std::strtod(w.c_str(), &end));
    if (end != w.c_str() + w.size() || !std::isfinite(d))
        return w;
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, d + 0.0f).ptr);
}

// A reading of a script of its own: per shader its blocks (0 for shader-wide lines, then one a
// stage), each a list of keyword lines with comments and parentheses dropped, words normalised,
// and the forms the writer may choose made one.
using Blocks = std::vector<Strings>;
std::vector<Blocks> ExtractLines(const std::string& text)
{
    static const std::map<std::string, std::string> kSame = {
        {"blendfunc add", "blendfunc gl_one gl_one"},
        {"blendfunc filter", "blendfunc gl_dst_color gl_zero"},
        {"blendfunc blend", "blendfunc gl_src_alpha gl_one_minus_src_alpha"}};
    std::vector<Blocks> shaders;
    size_t block = 0;
    int depth = 0;
    std::string line;
    auto flush = [&]
    {
        if (line.rfind("clampmap ", 0) == 0)
            line.erase(0, 5);
        if (!line.empty())
            shaders.back()[block].push_back(kSame.count(line) ? kSame.at(line) : line);
        line.clear();
    };
    for (size_t i = 0, e; i < text.size(); i = e)
    {
        e = i + 1;
        if (text[i] == '\n')
            flush();
        else if (text.compare(i, 2, "//") == 0)
            e = std::min(text.find('\n', i), text.size());
        else if (text.compare(i, 2, "/*") == 0)
        {
            e = std::min(text.find("*/", i + 2), text.size() - 2) + 2;
            if (text.find('\n', i) < e)
                flush();
        }
        else if (!std::isspace(static_cast<unsigned char>(text[i])))
        {
            while (e < text.size() && !std::isspace(static_cast<unsigned char>(text[e])))
                ++e;
            std::string w = text.substr(i, e - i);
            std::erase(w, '('), std::erase(w, ')');
            if (w == "{" || w == "}")
                flush();
            if (w == "}")
                depth = std::max(depth - 1, 0), block = 0;
            else if (w == "{")
            {
                if (depth++ == 0)
                    shaders.emplace_back();
                block = shaders.back().size();
                shaders.back().emplace_back();
            }
            else if (depth > 0 && !w.empty())
                line += (line.empty() ? "" : " ") + NormalWord(w);
        }
    }
    return shaders;
}
} // namespace

TEST(CorpusRoundTrip, EveryScriptComesBackWithItsShadersStagesNodesAndLines)
{
    // Lines the writer may leave out: they hold the value it takes as the default.
    const std::set<std::string> omissible = {
        "depthfunc lequal", "q3map_lightsubdivide 120", "qer_trans 1", "sort default",
        "tesssize 0",       "q3map_surfacelight 0",     "light 0",     "cull front"};
    ShaderFixture f;
    long shaders = 0, stages = 0, lines = 0;
    for (const auto& e : fs::directory_iterator(CorpusDir() / "shaders" / "openarena"))
    {
        const fs::path& file = e.path();
        if (file.extension() != ".shader")
            continue;
        SCOPED_TRACE(file.string());
        f.Scene()->ClearScene();
        ASSERT_TRUE(f.translator.ImportFile(file.string(), f.Scene()));
        const Strings shape = f.Shape();
        shaders += long(shape.size());
        for (const std::string& s : shape)
            stages += std::count(s.begin(), s.end(), '[') - 1;
        const std::string first = f.ExportAll();
        f.Scene()->ClearScene();
        f.Import(first);
        EXPECT_EQ(f.Shape(), shape);
        EXPECT_EQ(f.ExportAll(), first);

        const std::vector<Blocks> original = ExtractLines(ReadWholeFile(file)),
                                  exported = ExtractLines(first);
        ASSERT_EQ(original.size(), exported.size());
        for (size_t s = 0; s < original.size(); ++s)
        {
            ASSERT_EQ(original[s].size(), exported[s].size()) << "shader " << s;
            for (size_t k = 0; k < original[s].size(); ++k)
            {
                std::multiset<std::string> have(exported[s][k].begin(), exported[s][k].end());
                for (const std::string& l : original[s][k])
                {
                    ++lines;
                    if (auto it = have.find(l); it != have.end())
                        have.erase(it);
                    else
                        EXPECT_TRUE(omissible.count(l)) << "shader " << s << " lost " << l;
                }
                for (const std::string& extra : have)
                    EXPECT_EQ(extra.rfind("cull ", 0), 0u) << "added: " << extra;
            }
        }
    }
    EXPECT_EQ(shaders, 2158);
    EXPECT_EQ(stages, 4415);
    EXPECT_GT(lines, 20000);
}
