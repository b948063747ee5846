#include "MDragShaderInfo.h"

#include "MBaseShaderNode.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"

#include <utility>

void MDragShaderInfo::Set(MBaseShaderNode* node, MMaterialLayer* layer, MMaterial* material)
{
    if (!layer && node)
        layer = node->GetLayer();
    if (!material && layer)
        material = layer->GetMaterial();
    // Every new reference is taken before any old one is dropped: dropping a
    // material may end its layers, and one of them may be the new layer.
    MRef<MBaseShaderNode> newNode(node);
    MRef<MMaterialLayer> newLayer(layer);
    MRef<MMaterial> newMaterial(material);
    m_Node = std::move(newNode);
    m_Layer = std::move(newLayer);
    m_Material = std::move(newMaterial);
}

void MDragShaderInfo::SetObject(MBaseObject* object)
{
    if (auto* node = dynamic_cast<MBaseShaderNode*>(object))
        Set(node, nullptr, nullptr);
    else if (auto* layer = dynamic_cast<MMaterialLayer*>(object))
        Set(nullptr, layer, nullptr);
    else if (auto* material = dynamic_cast<MMaterial*>(object))
        Set(nullptr, nullptr, material);
    else
        Clear();
}
