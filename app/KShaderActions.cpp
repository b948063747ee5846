#include "KActions.h"

#include "Globals.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MShaderNodes.h"

namespace
{
// A new object of class T named uniquely from base, held by the caller with
// one reference that it releases with Delete.
template <class T> T* MakeNamed(MScene* scene, const char* base)
{
    T* object = new T();
    object->AddRef();
    object->SetName(scene->GenerateUniqueName(base));
    return object;
}

// A new stage layer holding one file node, the way a stage starts out.
MMaterialLayer* MakeStarterLayer(MScene* scene, MFileShaderNode*& node)
{
    MMaterialLayer* layer = MakeNamed<MMaterialLayer>(scene, "Layer");
    node = MakeNamed<MFileShaderNode>(scene, "FileShader");
    layer->AddShader(node);
    return layer;
}
} // namespace

int KPrimitiveCreateMaterial()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    MMaterial* material = MakeNamed<MMaterial>(scene, "Material");
    MMaterialLayer* option = MakeNamed<MMaterialLayer>(scene, "OptionLayer");
    material->AddLayer(option);
    MFileShaderNode* node = nullptr;
    MMaterialLayer* layer = MakeStarterLayer(scene, node);
    material->AddLayer(layer);

    // In the tree the stage comes before the option layer; in the material's
    // own list the option layer comes first.
    MBaseObjectTreeNode* materialNode = scene->AddObject(material);
    MBaseObjectTreeNode* layerNode = scene->AddObject(layer, materialNode);
    scene->AddObject(node, layerNode);
    scene->AddObject(option, materialNode);

    scene->SelectObject(material, false);
    // The material, its layers and the node are held by their owners now.
    node->Delete();
    layer->Delete();
    option->Delete();
    material->Delete();
    MSendSceneChanged();
    return 1;
}

int KMaterialAddLayer()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    MMaterial* material = nullptr;
    scene->InitPosition(TRAVERSE_DEPTH_FIRST);
    while (MBaseObject* object = scene->GetNext())
    {
        if (!object->HasFlags(OBJ_SELECTED))
            continue;
        if (auto* m = dynamic_cast<MMaterial*>(object))
            material = m;
        else if (auto* l = dynamic_cast<MMaterialLayer*>(object))
            material = l->GetMaterial();
        if (material)
            break;
    }
    if (material)
    {
        MBaseObjectTreeNode* materialNode = scene->FindObject(material);
        MFileShaderNode* node = nullptr;
        MMaterialLayer* layer = MakeStarterLayer(scene, node);
        material->AddLayer(layer);
        if (materialNode)
        {
            MBaseObjectTreeNode* layerNode = scene->AddObject(layer, materialNode);
            scene->AddObject(node, layerNode);
        }
        scene->SelectObject(layer, false);
        node->Delete();
        layer->Delete();
    }
    MSendSceneChanged();
    return 1;
}
