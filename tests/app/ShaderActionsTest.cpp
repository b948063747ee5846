#include "Globals.h"
#include "KActions.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class ShaderActions : public ::testing::Test
{
  protected:
    void SetUp() override { g_CurrentScene = sys.Scene(); }
    void TearDown() override { g_CurrentScene = nullptr; }

    // Names of the children of an object's tree node, in tree order.
    std::vector<std::string> TreeChildren(MBaseObject* object)
    {
        std::vector<std::string> names;
        MBaseObjectTreeNode* node = sys.Scene()->FindObject(object);
        for (MBaseObjectTreeNode* c = node ? node->GetFirstChild() : nullptr; c;
             c = c->GetNextSibling())
            names.emplace_back(c->GetObject()->GetName().c_str());
        return names;
    }
    TestSystem sys;
};
} // namespace

TEST_F(ShaderActions, CreateShaderBuildsMaterialWithOptionLayerAndStarterStage)
{
    EXPECT_EQ(KPrimitiveCreateMaterial(), 1);
    const MBaseObjectList& selected = sys.Scene()->GetSelectedList();
    ASSERT_EQ(selected.GetCount(), 1);
    auto* material = dynamic_cast<MMaterial*>(selected.GetAt(0));
    ASSERT_NE(material, nullptr);
    EXPECT_EQ(material->GetName(), "Material1");
    ASSERT_EQ(material->GetLayerCount(), 2);
    MMaterialLayer* option = material->GetLayer(0);
    MMaterialLayer* stage = material->GetLayer(1);
    EXPECT_EQ(option->GetName(), "OptionLayer1");
    EXPECT_EQ(stage->GetName(), "Layer1");
    EXPECT_EQ(option->GetShaderCount(), 0);
    ASSERT_EQ(stage->GetShaderCount(), 1);
    EXPECT_NE(dynamic_cast<MFileShaderNode*>(stage->GetShader(0)), nullptr);
    EXPECT_EQ(stage->GetShader(0)->GetName(), "FileShader1");
    EXPECT_EQ(stage->GetMaterial(), material);
    // In the tree the stage stands before the option layer.
    EXPECT_EQ(TreeChildren(material), (std::vector<std::string>{"Layer1", "OptionLayer1"}));
    EXPECT_EQ(TreeChildren(stage), (std::vector<std::string>{"FileShader1"}));
    // Owners hold the only references: the material by the scene tree.
    EXPECT_EQ(material->GetRefCount(), 2); // tree and selection list
    EXPECT_EQ(stage->GetShader(0)->GetRefCount(), 2); // layer and tree

    EXPECT_EQ(KPrimitiveCreateMaterial(), 1);
    EXPECT_EQ(sys.Scene()->GetSelectedList().GetAt(0)->GetName(), "Material2");
}

TEST_F(ShaderActions, AddLayerGoesToTheFirstSelectedMaterialInTreeOrder)
{
    KPrimitiveCreateMaterial();
    auto* first = dynamic_cast<MMaterial*>(sys.Scene()->GetSelectedList().GetAt(0));
    KPrimitiveCreateMaterial();
    auto* second = dynamic_cast<MMaterial*>(sys.Scene()->GetSelectedList().GetAt(0));
    ASSERT_TRUE(first && second);
    // Both selected, the second first in the selection list: tree order wins.
    sys.Scene()->SelectObject(second, false);
    sys.Scene()->SelectObject(first, true);

    EXPECT_EQ(KMaterialAddLayer(), 1);
    EXPECT_EQ(first->GetLayerCount(), 3);
    EXPECT_EQ(second->GetLayerCount(), 2);
    MMaterialLayer* added = first->GetLayer(2);
    EXPECT_EQ(added->GetMaterial(), first);
    ASSERT_EQ(added->GetShaderCount(), 1);
    // The new layer alone is selected, and stands under its material in the tree.
    ASSERT_EQ(sys.Scene()->GetSelectedList().GetCount(), 1);
    EXPECT_EQ(sys.Scene()->GetSelectedList().GetAt(0), added);
    EXPECT_EQ(TreeChildren(first).back(), std::string(added->GetName().c_str()));
    EXPECT_EQ(TreeChildren(added).size(), 1u);

    // A selected layer names its material.
    EXPECT_EQ(KMaterialAddLayer(), 1);
    EXPECT_EQ(first->GetLayerCount(), 4);
}

TEST_F(ShaderActions, AddLayerWithNothingSelectedAddsNothingButSucceeds)
{
    KPrimitiveCreateMaterial();
    auto* material = dynamic_cast<MMaterial*>(sys.Scene()->GetSelectedList().GetAt(0));
    sys.Scene()->SelectNone();
    const int objects = sys.Scene()->GetObjectCount();
    EXPECT_EQ(KMaterialAddLayer(), 1);
    EXPECT_EQ(material->GetLayerCount(), 2);
    EXPECT_EQ(sys.Scene()->GetObjectCount(), objects);
}
