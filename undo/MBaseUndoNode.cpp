#include "MBaseUndoNode.h"

#include <new>

MBaseUndoNode* MBaseUndoNode::Clone() const
{
    auto* copy = new (std::nothrow) MBaseUndoNode();
    if (copy)
        copy->SetName(m_Name);
    return copy;
}
