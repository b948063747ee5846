#include "MStructureRecord.h"

#include "MBaseObjectTree.h"
#include "MBaseShaderNode.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"

namespace
{
MBaseObjectList* MemberList(MBaseObject* owner)
{
    if (auto* m = dynamic_cast<MMaterial*>(owner))
        return &m->GetLayerList();
    if (auto* l = dynamic_cast<MMaterialLayer*>(owner))
        return &l->GetShaderList();
    return nullptr;
}
} // namespace

MStructureRecord::MStructureRecord(const MBaseObjectTree& tree)
{
    tree.ForEachNode(
        [this](MBaseObjectTreeNode* n)
        {
            MBaseObject* owner = n->GetObject();
            const MBaseObjectList* list = MemberList(owner);
            if (!list)
                return;
            Entry e{MRef<MBaseObject>(owner), {}};
            e.members.reserve(static_cast<size_t>(list->GetCount()));
            for (MBaseObject* o : *list)
                e.members.emplace_back(o);
            m_Entries.push_back(std::move(e));
        });
}

void MStructureRecord::Restore() const
{
    // Empty every recorded list first, so a member that moved between two
    // recorded containers ends up with the right one whatever their order.
    for (const Entry& e : m_Entries)
    {
        if (auto* m = dynamic_cast<MMaterial*>(e.owner.Get()))
            m->RemoveAllLayers();
        else if (auto* l = dynamic_cast<MMaterialLayer*>(e.owner.Get()))
            l->RemoveAllShaders();
    }
    for (const Entry& e : m_Entries)
    {
        if (auto* m = dynamic_cast<MMaterial*>(e.owner.Get()))
        {
            for (const MRef<MBaseObject>& o : e.members)
                if (auto* layer = dynamic_cast<MMaterialLayer*>(o.Get()))
                {
                    // A member of a container outside the record leaves it.
                    if (layer->GetMaterial() && layer->GetMaterial() != m)
                        layer->GetMaterial()->RemoveLayer(layer);
                    m->AddLayer(layer);
                }
        }
        else if (auto* l = dynamic_cast<MMaterialLayer*>(e.owner.Get()))
        {
            for (const MRef<MBaseObject>& o : e.members)
                if (auto* node = dynamic_cast<MBaseShaderNode*>(o.Get()))
                {
                    if (node->GetLayer() && node->GetLayer() != l)
                        node->GetLayer()->RemoveShader(node);
                    l->AddShader(node);
                }
        }
    }
}
