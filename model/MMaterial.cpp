#include "MMaterial.h"

#include "MBaseShaderNode.h"
#include "MMaterialLayer.h"

MMaterial::MMaterial()
{
    AddFlags(OBJ_TYPE_MATERIAL);
    static const MParamSchema kSchema{
        {"Cull", PARAM_STRING, "front",
         MakeChoiceList({"front", "back", "none", "disable", "twosided"})},
    };
    SetSchema(&kSchema);
}

MMaterial::~MMaterial()
{
    for (MBaseObject* o : m_Layers)
        if (auto* l = dynamic_cast<MMaterialLayer*>(o); l && l->GetMaterial() == this)
            l->SetMaterial(nullptr);
}

bool MMaterial::AddLayer(MMaterialLayer* layer)
{
    if (!layer || m_Layers.Contains(layer) || !m_Layers.Add(layer))
        return false;
    layer->SetMaterial(this);
    return true;
}

bool MMaterial::AddLayerBefore(MMaterialLayer* layer, MMaterialLayer* before)
{
    if (!layer || m_Layers.Contains(layer) || !m_Layers.AddBefore(layer, before))
        return false;
    layer->SetMaterial(this);
    return true;
}

bool MMaterial::RemoveLayer(MMaterialLayer* layer)
{
    if (!layer || !m_Layers.Contains(layer))
        return false;
    if (layer->GetMaterial() == this)
        layer->SetMaterial(nullptr);
    return m_Layers.Remove(layer);
}

void MMaterial::RemoveAllLayers()
{
    for (MBaseObject* o : m_Layers)
        if (auto* l = dynamic_cast<MMaterialLayer*>(o); l && l->GetMaterial() == this)
            l->SetMaterial(nullptr);
    m_Layers.RemoveAll();
}

MMaterialLayer* MMaterial::GetLayer(int index) const
{
    return dynamic_cast<MMaterialLayer*>(m_Layers.GetAt(index));
}

MMaterialLayer::MMaterialLayer()
{
    // Layers and shader nodes are parts of a material and listed with it.
    AddFlags(OBJ_TYPE_MATERIAL);
    static const MParamSchema kSchema{
        {"dFn", PARAM_STRING, "lequal", MakeChoiceList({"lequal", "equal"})},
        {"dWr", PARAM_STRING, "auto", MakeChoiceList({"auto", "On"})},
    };
    SetSchema(&kSchema);
}

MMaterialLayer::~MMaterialLayer()
{
    for (MBaseObject* o : m_Nodes)
        if (auto* n = dynamic_cast<MBaseShaderNode*>(o); n && n->GetLayer() == this)
            n->SetLayer(nullptr);
}

bool MMaterialLayer::AddShader(MBaseShaderNode* node)
{
    if (!node || m_Nodes.Contains(node) || !m_Nodes.Add(node))
        return false;
    node->SetLayer(this);
    return true;
}

bool MMaterialLayer::AddShaderBefore(MBaseShaderNode* node, MBaseShaderNode* before)
{
    if (!node || m_Nodes.Contains(node) || !m_Nodes.AddBefore(node, before))
        return false;
    node->SetLayer(this);
    return true;
}

bool MMaterialLayer::RemoveShader(MBaseShaderNode* node)
{
    if (!node || !m_Nodes.Contains(node))
        return false;
    if (node->GetLayer() == this)
        node->SetLayer(nullptr);
    return m_Nodes.Remove(node);
}

void MMaterialLayer::RemoveAllShaders()
{
    for (MBaseObject* o : m_Nodes)
        if (auto* n = dynamic_cast<MBaseShaderNode*>(o); n && n->GetLayer() == this)
            n->SetLayer(nullptr);
    m_Nodes.RemoveAll();
}

MBaseShaderNode* MMaterialLayer::GetShader(int index) const
{
    return dynamic_cast<MBaseShaderNode*>(m_Nodes.GetAt(index));
}

// A material's copy is independent: it holds copies of the layers, which hold
// copies of the nodes.
MBaseObject* MMaterial::CreateNew() const
{
    auto* copy = new (std::nothrow) MMaterial();
    if (!copy)
        return nullptr;
    copy->SetFrom(this);
    for (MBaseObject* o : m_Layers)
        if (auto* layer = dynamic_cast<MMaterialLayer*>(o))
            if (auto* c = dynamic_cast<MMaterialLayer*>(layer->CreateNew()))
                copy->AddLayer(c);
    return copy;
}

MBaseObject* MMaterialLayer::CreateNew() const
{
    auto* copy = new (std::nothrow) MMaterialLayer();
    if (!copy)
        return nullptr;
    copy->SetFrom(this);
    for (MBaseObject* o : m_Nodes)
        if (auto* node = dynamic_cast<MBaseShaderNode*>(o))
            if (auto* c = dynamic_cast<MBaseShaderNode*>(node->CreateNew()))
                copy->AddShader(c);
    return copy;
}
