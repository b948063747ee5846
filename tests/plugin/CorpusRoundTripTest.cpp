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
// The shape of a scene: per material its name and per layer the classes of its nodes.
Strings Shape(MScene* scene, long* stages = nullptr)
{
    Strings out;
    for (MMaterial* m : ShaderFixture::MaterialsOf(scene))
    {
        std::string s = m->GetName().str() + ":";
        for (int i = 0; i < m->GetLayerCount(); ++i)
        {
            s += " [" + ShaderFixture::Classes(m->GetLayer(i)) + "]";
        }
        out.push_back(s);
        if (stages)
            *stages += m->GetLayerCount() - 1;
    }
    return out;
}

// A word as the comparison reads it: lowered, backslashes as slashes, numbers as the model
// holds them (single precision) in their shortest form.
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

// An independent reading of a script: per shader its blocks (0 for shader-wide lines, then one
// a stage), each a list of keyword lines, comments dropped, words normalised, parentheses
// dropped.
using Blocks = std::vector<Strings>;
std::vector<Blocks> ExtractLines(const std::string& text)
{
    std::vector<Blocks> shaders;
    size_t block = 0;
    int depth = 0;
    std::string line;
    auto flush = [&]
    {
        if (!line.empty())
            shaders.back()[block].push_back(line);
        line.clear();
    };
    for (size_t i = 0; i < text.size();)
    {
        if (std::isspace(static_cast<unsigned char>(text[i])))
        {
            if (text[i++] == '\n')
                flush();
        }
        else if (text.compare(i, 2, "//") == 0)
            i = std::min(text.find('\n', i), text.size());
        else if (text.compare(i, 2, "/*") == 0)
        {
            const size_t e = std::min(text.find("*/", i + 2), text.size() - 2) + 2;
            if (text.find('\n', i) < e)
                flush();
            i = e;
        }
        else
        {
            size_t e = i;
            while (e < text.size() && !std::isspace(static_cast<unsigned char>(text[e])))
                ++e;
            std::string w = text.substr(i, e - i);
            i = e;
            std::erase(w, '('), std::erase(w, ')');
            if (w == "{" || w == "}")
                flush();
            if (w == "}")
                depth = std::max(depth - 1, 0), block = depth <= 1 ? 0 : block;
            else if (w == "{" && depth++ == 0)
                shaders.push_back(Blocks(1)), block = 0;
            else if (w == "{")
                shaders.back().emplace_back(), block = shaders.back().size() - 1;
            else if (depth > 0 && !w.empty())
                line += (line.empty() ? "" : " ") + NormalWord(w);
        }
    }
    flush();
    return shaders;
}

// Lines the writer may leave out (they hold the value it treats as the default), and lines it
// writes in an equivalent form.
bool MayBeOmitted(const std::string& line)
{
    static const std::set<std::string> kDefaults = {
        "depthfunc lequal", "q3map_lightsubdivide 120", "qer_trans 1", "sort default",
        "tesssize 0",       "q3map_surfacelight 0",     "light 0",     "cull front"};
    return kDefaults.count(line) != 0;
}

std::string Equivalent(const std::string& line)
{
    static const std::map<std::string, std::string> kBlend = {
        {"blendfunc add", "blendfunc gl_one gl_one"},
        {"blendfunc filter", "blendfunc gl_dst_color gl_zero"},
        {"blendfunc blend", "blendfunc gl_src_alpha gl_one_minus_src_alpha"}};
    if (auto it = kBlend.find(line); it != kBlend.end())
        return it->second;
    return line.rfind("clampmap ", 0) == 0 ? "map " + line.substr(9) : line;
}
} // namespace

TEST(CorpusRoundTrip, EveryScriptComesBackWithItsShadersStagesNodesAndLines)
{
    ShaderFixture f;
    long shaders = 0, stages = 0, lines = 0;
    Strings lost;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(CorpusDir() / "shaders" / "openarena"))
        if (e.path().extension() == ".shader")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());

    for (const fs::path& file : files)
    {
        SCOPED_TRACE(file.string());
        f.Scene()->ClearScene();
        ASSERT_TRUE(f.translator.ImportFile(file.string(), f.Scene()));
        const Strings shape = Shape(f.Scene(), &stages);
        shaders += long(shape.size());
        const std::string first = f.ExportAll();
        f.Scene()->ClearScene();
        f.Import(first);
        EXPECT_EQ(Shape(f.Scene()), shape);
        EXPECT_EQ(f.ExportAll(), first);

        const std::vector<Blocks> original = ExtractLines(ReadWholeFile(file)),
                                  exported = ExtractLines(first);
        ASSERT_EQ(original.size(), exported.size());
        for (size_t s = 0; s < original.size(); ++s)
        {
            ASSERT_EQ(original[s].size(), exported[s].size()) << "shader " << s;
            for (size_t k = 0; k < original[s].size(); ++k)
            {
                std::multiset<std::string> have;
                for (const std::string& l : exported[s][k])
                    have.insert(Equivalent(l));
                for (const std::string& l : original[s][k])
                {
                    ++lines;
                    if (auto it = have.find(Equivalent(l)); it != have.end())
                        have.erase(it);
                    else if (!MayBeOmitted(l))
                        lost.push_back(file.filename().string() + ": shader " + std::to_string(s) +
                                       " block " + std::to_string(k) + ": " + l);
                }
                // The only lines an export adds are the cull lines.
                for (const std::string& extra : have)
                    EXPECT_EQ(extra.rfind("cull ", 0), 0u) << "added: " << extra;
            }
        }
    }
    EXPECT_EQ(shaders, 2158);
    EXPECT_EQ(stages, 4415);
    std::printf("keyword lines in the corpus: %ld, lost on export: %zu\n", lines, lost.size());
    for (size_t i = 0; i < lost.size() && i < 20; ++i)
        ADD_FAILURE() << "lost: " << lost[i];
    EXPECT_TRUE(lost.empty());
    EXPECT_GT(lines, 10000);
}
