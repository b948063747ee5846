#pragma once

#include "MImage.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

inline Strings Split(const std::string& list)
{
    Strings out(1);
    for (char c : list)
        c == ';' ? out.emplace_back() : out.back() += c;
    return out;
}

struct ShaderFixture
{
    TestSystem sys;
    TempDir tmp;
    MQ3AShaderTranslator translator;

    MScene* Scene() { return sys.Scene(); }

    std::vector<MMaterial*> Import(const std::string& text)
    {
        EXPECT_TRUE(translator.ImportFile(tmp.Write("in.shader", text), Scene()));
        return MaterialsOf(Scene());
    }
    static std::vector<MMaterial*> MaterialsOf(MScene* scene)
    {
        std::vector<MMaterial*> out;
        scene->ForEachNode(
            [&](MBaseObjectTreeNode* n)
            {
                if (auto* m = dynamic_cast<MMaterial*>(n->GetObject()))
                    out.push_back(m);
            });
        return out;
    }

    std::string ExportAll()
    {
        Scene()->SelectAllOf<MMaterial>();
        const std::string file = (tmp.Path() / "out.shader").string();
        EXPECT_TRUE(translator.ExportFile(file, Scene()));
        return ReadWholeFile(file);
    }

    // The classes of a layer's nodes, short: "File BlendFunc" for MFileShaderNode and
    // MBlendFuncShaderNode.
    static std::string Classes(const MMaterialLayer* layer)
    {
        std::string out;
        for (const MBaseObject* o : layer->GetShaderList())
        {
            const std::string name = o->ClassName().str();
            out += (out.empty() ? "" : " ") + name.substr(1, name.size() - 11);
        }
        return out;
    }

    // Per material its name and per layer the classes of its nodes.
    Strings Shape()
    {
        Strings out;
        for (MMaterial* m : MaterialsOf(Scene()))
        {
            out.push_back(m->GetName().str() + ":");
            for (int i = 0; i < m->GetLayerCount(); ++i)
                out.back() += " [" + Classes(m->GetLayer(i)) + "]";
        }
        return out;
    }

    Strings Messages() const
    {
        Strings out;
        for (const std::string& l : sys.log.lines)
            if (l.rfind("ShaderImport: Name: ", 0) != 0)
                out.push_back(l);
        return out;
    }
};

using Rgb = std::array<uint8_t, 3>;

inline Rgb PixelAt(const MImage& image, int x, int y)
{
    const uint8_t* p = image.GetColourBuffer() + (size_t(y) * image.GetWidth() + x) * 3;
    return {p[0], p[1], p[2]};
}

// Imports a file that must be refused, and checks that the image is left as it was and that the
// refusal is logged (with `reason` in it).
template <class Translator>
void ExpectRefused(Translator& t, CaptureSink& log, const std::string& path,
                   const std::string& reason = "")
{
    MImage image;
    ASSERT_TRUE(image.SetSize(3, 1, true));
    std::fill_n(image.GetColourBuffer(), 9, 77), std::fill_n(image.GetAlphaBuffer(), 3, 77);
    log.lines.clear();
    EXPECT_FALSE(t.ImportImage(path, &image));
    ASSERT_TRUE(image.GetWidth() == 3 && image.GetHeight() == 1 && image.HasAlpha());
    EXPECT_EQ(std::count(image.GetColourBuffer(), image.GetColourBuffer() + 9, 77) +
                  std::count(image.GetAlphaBuffer(), image.GetAlphaBuffer() + 3, 77),
              12);
    EXPECT_TRUE(std::any_of(log.lines.begin(), log.lines.end(),
                            [&](const std::string& l)
                            { return l.find(reason) != std::string::npos; }))
        << "the refusal is logged: " << reason;
}
