#pragma once

#include "MBaseObjectList.h"

class MMaterialLayer;

// A shader: an ordered list of layers. The first layer is the option layer
// with the shader-wide nodes; every further layer is a stage.
class MMaterial : public MBaseObject
{
  public:
    MMaterial();
    ~MMaterial() override;
    M_DECLARE_CLASS_COPY_MEMBERS(MMaterial, MBaseObject)

    // A layer stands at most once in a material: adding one that is there
    // already gives false and changes nothing.
    bool AddLayer(MMaterialLayer* layer);
    // Inserts before `before`; appends when `before` is not a layer of this material.
    bool AddLayerBefore(MMaterialLayer* layer, MMaterialLayer* before);
    bool RemoveLayer(MMaterialLayer* layer);
    void RemoveAllLayers();
    MBaseObjectList& GetLayerList() { return m_Layers; }
    const MBaseObjectList& GetLayerList() const { return m_Layers; }
    int GetLayerCount() const { return m_Layers.GetCount(); }
    MMaterialLayer* GetLayer(int index) const;

  private:
    MBaseObjectList m_Layers;
};
