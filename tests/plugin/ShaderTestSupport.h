#pragma once

#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A system manager, a scratch folder and the shader translator, with helpers
// to import script text and to look at what it became.
struct ShaderFixture
{
    TestSystem sys;
    TempDir tmp;
    MQ3AShaderTranslator translator;

    MScene* Scene() { return sys.Scene(); }

    // Imports the text as a file; returns the materials in tree order.
    std::vector<MMaterial*> Import(const std::string& text)
    {
        const std::string file = tmp.Write("in.shader", text);
        EXPECT_TRUE(translator.ImportFile(file, Scene()));
        return Materials();
    }

    std::vector<MMaterial*> Materials()
    {
        std::vector<MMaterial*> out;
        Scene()->ForEachNode(
            [&](MBaseObjectTreeNode* n)
            {
                if (auto* m = dynamic_cast<MMaterial*>(n->GetObject()))
                    out.push_back(m);
            });
        return out;
    }

    // Exports every material of the scene and returns the text.
    std::string ExportAll()
    {
        Scene()->SelectAllOf<MMaterial>();
        const std::string file = (tmp.Path() / "out.shader").string();
        EXPECT_TRUE(translator.ExportFile(file, Scene()));
        return ReadWholeFile(file);
    }

    // The class names of a layer's nodes, in order.
    static std::vector<std::string> Classes(const MMaterialLayer* layer)
    {
        std::vector<std::string> out;
        for (const MBaseObject* o : layer->GetShaderList())
            out.push_back(o->ClassName().str());
        return out;
    }

    // The log lines that are not the per-shader name lines.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> out;
        for (const std::string& l : sys.log.lines)
            if (l.rfind("ShaderImport: Name: ", 0) != 0)
                out.push_back(l);
        return out;
    }
};
