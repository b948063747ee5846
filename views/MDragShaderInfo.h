#pragma once

#include "MBaseObject.h"

class MMaterial;
class MMaterialLayer;
class MBaseShaderNode;

// One place in the material tree: a material, a layer of it and a shader
// node of that layer, each optional. The record holds a reference on each, so
// a layer or node taken out of its owner during a move stays alive until it
// is inserted again.
class MDragShaderInfo
{
  public:
    MDragShaderInfo() = default;
    MDragShaderInfo(const MDragShaderInfo&) = delete;
    MDragShaderInfo& operator=(const MDragShaderInfo&) = delete;
    ~MDragShaderInfo() = default;

    // Names a place. A missing layer is taken from the node's owning layer,
    // a missing material from the layer's owning material. The new references
    // are taken before the old ones are let go, so setting the record to what
    // it already holds is safe. Set(nullptr, nullptr, nullptr) empties it.
    void Set(MBaseShaderNode* node, MMaterialLayer* layer, MMaterial* material);
    // Names the place of one object of the material tree (a material, a layer
    // or a shader node, told apart by type); any other object empties it.
    void SetObject(MBaseObject* object);
    void Clear() { Set(nullptr, nullptr, nullptr); }

    MMaterial* GetMaterial() const { return m_Material.Get(); }
    MMaterialLayer* GetLayer() const { return m_Layer.Get(); }
    MBaseShaderNode* GetShaderNode() const { return m_Node.Get(); }
    bool IsEmpty() const { return !m_Material && !m_Layer && !m_Node; }

  private:
    MRef<MMaterial> m_Material;
    MRef<MMaterialLayer> m_Layer;
    MRef<MBaseShaderNode> m_Node;
};
