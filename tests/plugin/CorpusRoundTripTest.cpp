// Every shader script of the corpus survives import and export: the same
// shaders, stages and node classes come back, a second export is byte for
// byte the first, and every keyword line of the original stands in the
// exported shader, in the same stage.

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "TestSupport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace
{
std::vector<fs::path> CorpusScripts()
{
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(CorpusDir() / "shaders" / "openarena"))
        if (e.path().extension() == ".shader")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The shape of a scene: per material its name and per layer the classes of
// its nodes.
std::vector<std::string> Shape(MScene* scene)
{
    std::vector<std::string> out;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            const auto* m = dynamic_cast<const MMaterial*>(n->GetObject());
            if (!m)
                return;
            std::string s = m->GetName().str() + ":";
            for (int i = 0; i < m->GetLayerCount(); ++i)
            {
                s += " [";
                for (const MBaseObject* node : m->GetLayer(i)->GetShaderList())
                    s += " " + node->ClassName().str();
                s += " ]";
            }
            out.push_back(s);
        });
    return out;
}

// An independent reading of a script into its keyword lines: for each shader
// (by order) and each block (0 for shader-wide lines, 1.. for stages), the
// lines normalised for comparison: words lowered, backslashes as slashes,
// parentheses dropped, numbers as the model holds them (single precision).
using Blocks = std::vector<std::vector<std::string>>;
struct ScriptLines
{
    std::vector<std::string> names;
    std::vector<Blocks> shaders;
};

std::string NormalWord(std::string w)
{
    std::replace(w.begin(), w.end(), '\\', '/');
    std::transform(w.begin(), w.end(), w.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    char* end = nullptr;
    const float d = static_cast<float>(std::strtod(w.c_str(), &end));
    if (!w.empty() && end == w.c_str() + w.size() && std::isfinite(d))
    {
        // The number as the model holds it, in its shortest form.
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, d + 0.0f);
        return std::string(buf, r.ptr);
    }
    return w;
}

ScriptLines ExtractLines(const std::string& text)
{
    // Words per line, comments removed.
    std::vector<std::vector<std::string>> lines(1);
    size_t i = 0;
    while (i < text.size())
    {
        const char c = text[i];
        if (c == '\n')
        {
            lines.emplace_back();
            ++i;
        }
        else if (std::isspace(static_cast<unsigned char>(c)))
            ++i;
        else if (text.compare(i, 2, "//") == 0)
            i = std::min(text.find('\n', i), text.size());
        else if (text.compare(i, 2, "/*") == 0)
        {
            const size_t e = text.find("*/", i + 2);
            const size_t stop = e == std::string::npos ? text.size() : e + 2;
            for (size_t k = i; k < stop; ++k)
                if (text[k] == '\n')
                    lines.emplace_back();
            i = stop;
        }
        else
        {
            size_t e = i;
            while (e < text.size() && !std::isspace(static_cast<unsigned char>(text[e])))
                ++e;
            lines.back().push_back(text.substr(i, e - i));
            i = e;
        }
    }

    ScriptLines out;
    int depth = 0;
    size_t block = 0;                 // 0 for shader-wide lines, else the stage's block
    std::vector<std::string> pending; // words of the current line within a block
    auto flush = [&]
    {
        if (pending.empty() || out.shaders.empty())
        {
            pending.clear();
            return;
        }
        std::string line;
        for (std::string w : pending)
        {
            w.erase(std::remove(w.begin(), w.end(), '('), w.end());
            w.erase(std::remove(w.begin(), w.end(), ')'), w.end());
            if (w.empty())
                continue;
            line += (line.empty() ? "" : " ") + NormalWord(w);
        }
        if (!line.empty())
            out.shaders.back()[block].push_back(line);
        pending.clear();
    };
    for (const auto& words : lines)
    {
        for (const std::string& w : words)
        {
            if (w == "{")
            {
                flush();
                if (depth == 0)
                {
                    out.shaders.push_back(Blocks(1));
                    block = 0;
                }
                else
                {
                    out.shaders.back().emplace_back();
                    block = out.shaders.back().size() - 1;
                }
                ++depth;
            }
            else if (w == "}")
            {
                flush();
                if (depth > 0)
                    --depth;
                if (depth <= 1)
                    block = 0;
            }
            else if (depth == 0)
                out.names.push_back(w);
            else
                pending.push_back(w);
        }
        flush();
    }
    return out;
}

// Lines the writer may leave out because they hold the value it treats as
// the default, or give in an equivalent form.
bool MayBeOmitted(const std::string& line)
{
    static const char* const kDefaults[] = {
        "depthfunc lequal", "q3map_lightsubdivide 120", "qer_trans 1", "sort default",
        "tesssize 0",       "q3map_surfacelight 0",     "light 0",     "cull front"};
    for (const char* d : kDefaults)
        if (line == d)
            return true;
    return false;
}

std::string Equivalent(const std::string& line)
{
    static const std::map<std::string, std::string> kBlend = {
        {"blendfunc add", "blendfunc gl_one gl_one"},
        {"blendfunc filter", "blendfunc gl_dst_color gl_zero"},
        {"blendfunc blend", "blendfunc gl_src_alpha gl_one_minus_src_alpha"}};
    auto it = kBlend.find(line);
    if (it != kBlend.end())
        return it->second;
    if (line.rfind("clampmap ", 0) == 0)
        return "map " + line.substr(9);
    return line;
}

struct LossReport
{
    long originalLines = 0;
    long lostLines = 0;
    std::vector<std::string> examples;
};

void CompareScripts(const std::string& file, const ScriptLines& original,
                    const ScriptLines& exported, LossReport& report)
{
    ASSERT_EQ(original.shaders.size(), exported.shaders.size()) << file;
    for (size_t s = 0; s < original.shaders.size(); ++s)
    {
        const Blocks& a = original.shaders[s];
        const Blocks& b = exported.shaders[s];
        ASSERT_EQ(a.size(), b.size()) << file << " shader " << s;
        for (size_t k = 0; k < a.size(); ++k)
        {
            std::multiset<std::string> have;
            for (const std::string& l : b[k])
                have.insert(Equivalent(l));
            for (const std::string& l : a[k])
            {
                ++report.originalLines;
                auto it = have.find(Equivalent(l));
                if (it != have.end())
                    have.erase(it);
                else if (!MayBeOmitted(l))
                {
                    ++report.lostLines;
                    if (report.examples.size() < 20)
                        report.examples.push_back(file + ": " + original.names[s] + " block " +
                                                  std::to_string(k) + ": " + l);
                }
            }
            // The only lines an export adds are the cull lines.
            for (const std::string& extra : have)
                EXPECT_EQ(extra.rfind("cull ", 0), 0u) << file << " added: " << extra;
        }
    }
}
} // namespace

TEST(CorpusRoundTrip, EveryScriptComesBackWithItsShadersStagesNodesAndLines)
{
    TestSystem sys;
    TempDir tmp;
    MQ3AShaderTranslator translator;
    LossReport report;
    long shaders = 0, stages = 0;

    for (const fs::path& file : CorpusScripts())
    {
        SCOPED_TRACE(file.string());
        MScene* scene = sys.Scene();
        scene->ClearScene();
        ASSERT_TRUE(translator.ImportFile(file.string(), scene));
        const std::vector<std::string> shape = Shape(scene);
        shaders += long(shape.size());
        scene->ForEachNode(
            [&](MBaseObjectTreeNode* n)
            {
                if (auto* m = dynamic_cast<MMaterial*>(n->GetObject()))
                    stages += m->GetLayerCount() - 1;
            });

        const std::string first = (tmp.Path() / "first.shader").string();
        const std::string second = (tmp.Path() / "second.shader").string();
        scene->SelectAllOf<MMaterial>();
        ASSERT_TRUE(translator.ExportFile(first, scene));

        scene->ClearScene();
        ASSERT_TRUE(translator.ImportFile(first, scene));
        EXPECT_EQ(Shape(scene), shape);
        scene->SelectAllOf<MMaterial>();
        ASSERT_TRUE(translator.ExportFile(second, scene));
        const std::string firstText = ReadWholeFile(first);
        EXPECT_EQ(firstText, ReadWholeFile(second));

        CompareScripts(file.filename().string(), ExtractLines(ReadWholeFile(file)),
                       ExtractLines(firstText), report);
    }
    EXPECT_EQ(shaders, 2158);
    EXPECT_EQ(stages, 4415);
    std::printf("keyword lines in the corpus: %ld, lost on export: %ld\n", report.originalLines,
                report.lostLines);
    for (const std::string& e : report.examples)
        ADD_FAILURE() << "lost: " << e;
    EXPECT_EQ(report.lostLines, 0);
    EXPECT_GT(report.originalLines, 10000);
}
