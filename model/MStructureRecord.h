#pragma once

#include "MBaseObject.h"

#include <vector>

// The member lists of the containers in a tree: each material's layer list
// and each layer's shader-node list, in order. The scene tree and these
// lists describe the same structure; a record of both puts both back.
class MStructureRecord
{
  public:
    MStructureRecord() = default;
    // Records the lists of every material and layer in the tree.
    explicit MStructureRecord(const MBaseObjectTree& tree);

    // Gives every recorded container its recorded members again, in order,
    // and each member its container.
    void Restore() const;
    bool IsEmpty() const { return m_Entries.empty(); }

  private:
    struct Entry
    {
        MRef<MBaseObject> owner;
        std::vector<MRef<MBaseObject>> members;
    };
    std::vector<Entry> m_Entries;
};
