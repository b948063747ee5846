#pragma once

#include "MBaseObjectList.h"

class MMaterial;
class MBaseShaderNode;

// A layer of a material: the option layer or one stage. Holds its shader
// nodes in order and knows the material it belongs to.
class MMaterialLayer : public MBaseObject
{
  public:
    MMaterialLayer();
    ~MMaterialLayer() override;
    M_DECLARE_CLASS_COPY_MEMBERS(MMaterialLayer, MBaseObject)

    // A node stands at most once in a layer: adding one that is there
    // already gives false and changes nothing.
    bool AddShader(MBaseShaderNode* node);
    // Inserts before `before`; appends when `before` is not a node of this layer.
    bool AddShaderBefore(MBaseShaderNode* node, MBaseShaderNode* before);
    bool RemoveShader(MBaseShaderNode* node);
    void RemoveAllShaders();
    MBaseObjectList& GetShaderList() { return m_Nodes; }
    const MBaseObjectList& GetShaderList() const { return m_Nodes; }
    int GetShaderCount() const { return m_Nodes.GetCount(); }
    MBaseShaderNode* GetShader(int index) const;

    MMaterial* GetMaterial() const { return m_Material; }
    void SetMaterial(MMaterial* material) { m_Material = material; }

  private:
    MBaseObjectList m_Nodes;
    MMaterial* m_Material = nullptr;
};
