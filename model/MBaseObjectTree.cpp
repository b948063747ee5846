#include "MBaseObjectTree.h"

#include <vector>

MBaseObjectTree::MBaseObjectTree() : m_Root(new MBaseObjectTreeNode()) {}

MBaseObjectTree::~MBaseObjectTree()
{
    RemoveAll();
    delete m_Root;
}

MBaseObject* MBaseObjectTree::CreateNew() const
{
    auto* copy = new (std::nothrow) MBaseObjectTree();
    if (!copy)
        return nullptr;
    copy->MBaseObject::SetFrom(this);
    // Copy the shape: each source node's copy sits under its parent's copy.
    std::unordered_map<const MBaseObjectTreeNode*, MBaseObjectTreeNode*> map;
    map[m_Root] = copy->m_Root;
    ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            MBaseObjectTreeNode* c = copy->Add(n->m_Object, map[n->m_Parent]);
            if (c)
            {
                c->m_Flags = n->m_Flags;
                map[n] = c;
            }
        });
    return copy;
}

void MBaseObjectTree::Link(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent,
                           MBaseObjectTreeNode* before)
{
    node->m_Parent = parent;
    if (before && before->m_Parent == parent)
    {
        node->m_Next = before;
        node->m_Prev = before->m_Prev;
        if (before->m_Prev)
            before->m_Prev->m_Next = node;
        else
            parent->m_FirstChild = node;
        before->m_Prev = node;
    }
    else
    {
        node->m_Prev = parent->m_LastChild;
        node->m_Next = nullptr;
        if (parent->m_LastChild)
            parent->m_LastChild->m_Next = node;
        else
            parent->m_FirstChild = node;
        parent->m_LastChild = node;
    }
    ++parent->m_ChildCount;
    ++m_ShapeVersion;
}

void MBaseObjectTree::Unlink(MBaseObjectTreeNode* node)
{
    MBaseObjectTreeNode* parent = node->m_Parent;
    if (!parent)
        return;
    ++m_ShapeVersion;
    if (node->m_Prev)
        node->m_Prev->m_Next = node->m_Next;
    else
        parent->m_FirstChild = node->m_Next;
    if (node->m_Next)
        node->m_Next->m_Prev = node->m_Prev;
    else
        parent->m_LastChild = node->m_Prev;
    --parent->m_ChildCount;
    node->m_Parent = node->m_Prev = node->m_Next = nullptr;
}

MBaseObjectTreeNode* MBaseObjectTree::Add(MBaseObject* obj, MBaseObjectTreeNode* parent)
{
    if (!obj || FindObject(obj))
        return nullptr;
    if (!parent)
        parent = m_Root;
    else if (parent != m_Root && (!parent->m_Object || FindObject(parent->m_Object) != parent))
        return nullptr;
    auto* node = new MBaseObjectTreeNode();
    node->m_Object = obj;
    obj->AddRef();
    Link(node, parent, nullptr);
    IndexNode(obj, node);
    OnObjectAdded(obj);
    return node;
}

MBaseObjectTreeNode* MBaseObjectTree::AddBefore(MBaseObject* obj, MBaseObjectTreeNode* before)
{
    if (!before || !before->m_Object || FindObject(before->m_Object) != before)
        return Add(obj);
    if (!obj || FindObject(obj))
        return nullptr;
    auto* node = new MBaseObjectTreeNode();
    node->m_Object = obj;
    obj->AddRef();
    Link(node, before->m_Parent, before);
    IndexNode(obj, node);
    OnObjectAdded(obj);
    return node;
}

void MBaseObjectTree::DestroySubtree(MBaseObjectTreeNode* node)
{
    // Children first, iteratively, so deep trees cannot exhaust the stack.
    std::vector<MBaseObjectTreeNode*> order;
    order.push_back(node);
    for (size_t i = 0; i < order.size(); ++i)
        for (MBaseObjectTreeNode* c = order[i]->m_FirstChild; c; c = c->m_Next)
            order.push_back(c);
    Unlink(node);
    for (auto it = order.rbegin(); it != order.rend(); ++it)
    {
        MBaseObjectTreeNode* n = *it;
        if (n == m_Pos)
            m_Pos = nullptr;
        if (n == m_Current)
            m_Current = nullptr;
        MBaseObject* obj = n->m_Object;
        UnindexNode(obj);
        delete n;
        OnObjectRemoved(obj);
        obj->Delete();
    }
}

bool MBaseObjectTree::Remove(MBaseObject* obj)
{
    MBaseObjectTreeNode* node = FindObject(obj);
    if (!node)
        return false;
    // A walk in progress goes on after the removed subtree.
    if (m_Pos && (m_Pos == node || IsChildOf(m_Pos, node)))
    {
        MBaseObjectTreeNode* n = node;
        while (n && !n->m_Next)
            n = n->m_Parent;
        m_Pos = (n && n != m_Root) ? n->m_Next : nullptr;
    }
    DestroySubtree(node);
    return true;
}

void MBaseObjectTree::RemoveAll()
{
    while (m_Root->m_LastChild)
        DestroySubtree(m_Root->m_LastChild);
    m_Pos = m_Current = nullptr;
}

void MBaseObjectTree::IndexNode(MBaseObject* obj, MBaseObjectTreeNode* node)
{
    ++m_Count;
    if (!obj->m_TreeOwner)
    {
        obj->m_TreeOwner = this;
        obj->m_TreeNode = node;
    }
    else
        m_Index.emplace(obj, node);
}

void MBaseObjectTree::UnindexNode(MBaseObject* obj)
{
    --m_Count;
    if (obj->m_TreeOwner == this)
    {
        obj->m_TreeOwner = nullptr;
        obj->m_TreeNode = nullptr;
    }
    else
        m_Index.erase(obj);
}

MBaseObjectTreeNode* MBaseObjectTree::FindObject(const MBaseObject* obj) const
{
    if (!obj)
        return nullptr;
    if (obj->m_TreeOwner == this)
        return obj->m_TreeNode;
    if (m_Index.empty())
        return nullptr;
    auto it = m_Index.find(obj);
    return it == m_Index.end() ? nullptr : it->second;
}

bool MBaseObjectTree::SetParent(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent,
                                MBaseObjectTreeNode* before)
{
    if (!node || node == m_Root || !node->m_Object || FindObject(node->m_Object) != node)
        return false;
    if (!parent)
        parent = m_Root;
    else if (parent != m_Root && (!parent->m_Object || FindObject(parent->m_Object) != parent))
        return false; // not a node of this tree
    if (parent == node || IsChildOf(parent, node))
        return false;
    if (before == node)
        return true;
    Unlink(node);
    Link(node, parent, before);
    return true;
}

bool MBaseObjectTree::IsChildOf(const MBaseObjectTreeNode* node,
                                const MBaseObjectTreeNode* ancestor)
{
    if (!node || !ancestor)
        return false;
    for (const MBaseObjectTreeNode* p = node->m_Parent; p; p = p->m_Parent)
        if (p == ancestor)
            return true;
    return false;
}

bool MBaseObjectTree::IsChildOfFlagged(const MBaseObjectTreeNode* node, uint32_t flags)
{
    for (const MBaseObjectTreeNode* p = node; p; p = p->m_Parent)
        if (p->m_Object && p->m_Object->HasFlags(flags))
            return true;
    return false;
}

MBaseObjectTreeNode* MBaseObjectTree::NextDepthFirst(MBaseObjectTreeNode* n)
{
    if (n->m_FirstChild)
        return n->m_FirstChild;
    while (n)
    {
        if (n->m_Next)
            return n->m_Next;
        n = n->m_Parent;
    }
    return nullptr;
}

void MBaseObjectTree::InitPosition(int traverseType)
{
    m_TraverseType = traverseType;
    m_Pos = m_Root->m_FirstChild;
    m_Current = nullptr;
}

MBaseObject* MBaseObjectTree::GetNext()
{
    if (!m_Pos)
        return nullptr;
    m_Current = m_Pos;
    if (m_TraverseType == TRAVERSE_TOP_LEVEL)
        m_Pos = m_Pos->m_Next;
    else
    {
        m_Pos = NextDepthFirst(m_Pos);
        if (m_Pos == m_Root)
            m_Pos = nullptr;
    }
    return m_Current->m_Object;
}
