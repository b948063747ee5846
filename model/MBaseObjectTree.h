#pragma once

#include "MBaseObject.h"

#include <unordered_map>

// One place in an object tree. Children keep the order they were added in.
class MBaseObjectTreeNode
{
  public:
    MBaseObject* GetObject() const { return m_Object; }
    MBaseObjectTreeNode* GetParent() const { return m_Parent; }
    MBaseObjectTreeNode* GetFirstChild() const { return m_FirstChild; }
    MBaseObjectTreeNode* GetLastChild() const { return m_LastChild; }
    MBaseObjectTreeNode* GetNextSibling() const { return m_Next; }
    MBaseObjectTreeNode* GetPrevSibling() const { return m_Prev; }
    int GetChildCount() const { return m_ChildCount; }
    bool HasChildren() const { return m_FirstChild != nullptr; }

    // The node's own flag word (tree copies carry one per node).
    uint32_t GetFlags() const { return m_Flags; }
    void SetFlags(uint32_t f) { m_Flags = f; }

  private:
    friend class MBaseObjectTree;
    MBaseObject* m_Object = nullptr;
    MBaseObjectTreeNode* m_Parent = nullptr;
    MBaseObjectTreeNode* m_FirstChild = nullptr;
    MBaseObjectTreeNode* m_LastChild = nullptr;
    MBaseObjectTreeNode* m_Next = nullptr;
    MBaseObjectTreeNode* m_Prev = nullptr;
    int m_ChildCount = 0;
    uint32_t m_Flags = 0;
};

// Traversal kinds for InitPosition.
enum MTraverseType : int
{
    TRAVERSE_DEPTH_FIRST = 0, // parents before children, children in order
    TRAVERSE_TOP_LEVEL = 1,   // the top-level objects only
};

// A tree of model objects. The tree holds one reference on each object in
// it; an object stands at most once in a tree, so finding its node takes
// constant time.
class MBaseObjectTree : public MBaseObject
{
  public:
    MBaseObjectTree();
    ~MBaseObjectTree() override;
    M_DECLARE_CLASS_COPY_MEMBERS(MBaseObjectTree, MBaseObject)

    // Appends the object as the last child of parent (null: top level).
    // Returns the new node, or null when the object is null or already in
    // the tree, or the parent is not a node of this tree.
    MBaseObjectTreeNode* Add(MBaseObject* obj, MBaseObjectTreeNode* parent = nullptr);
    // Inserts the object before a sibling node (which gives the parent).
    MBaseObjectTreeNode* AddBefore(MBaseObject* obj, MBaseObjectTreeNode* before);
    // Removes the object's node with its whole subtree, releasing each
    // object's reference. Returns false when the object is not in the tree.
    bool Remove(MBaseObject* obj);
    void RemoveAll();
    MBaseObjectTreeNode* FindObject(const MBaseObject* obj) const;
    bool Contains(const MBaseObject* obj) const { return FindObject(obj) != nullptr; }
    int GetCount() const { return m_Count; }

    // Moves a node (with its subtree) to the end of a new parent's children
    // (null: top level), or before `before` when given. Refuses to move a node
    // under itself or one of its descendants, and nodes of other trees.
    bool SetParent(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent,
                   MBaseObjectTreeNode* before = nullptr);
    // True when ancestor is a proper ancestor of node.
    static bool IsChildOf(const MBaseObjectTreeNode* node, const MBaseObjectTreeNode* ancestor);
    // True when the node's object or the object of one of its ancestors has
    // any of the flags.
    static bool IsChildOfFlagged(const MBaseObjectTreeNode* node, uint32_t flags);

    MBaseObjectTreeNode* GetRoot() const { return m_Root; }
    // Changes whenever a node is added, removed or moved, so a reader can
    // keep what it derived from the tree's shape until the shape changes.
    uint64_t GetShapeVersion() const { return m_ShapeVersion; }

    void InitPosition(int traverseType = TRAVERSE_DEPTH_FIRST);
    MBaseObject* GetNext();
    // The node of the object GetNext gave last.
    MBaseObjectTreeNode* GetCurrentNode() const { return m_Current; }

    // Calls f(node) for every node in depth-first order.
    template <class F> void ForEachNode(F&& f) const
    {
        for (MBaseObjectTreeNode* n = NextDepthFirst(m_Root); n; n = NextDepthFirst(n))
            f(n);
    }
    static MBaseObjectTreeNode* NextDepthFirst(MBaseObjectTreeNode* n);

  protected:
    // Hooks for the scene, which keeps name and selection indexes.
    virtual void OnObjectAdded(MBaseObject*) {}
    virtual void OnObjectRemoved(MBaseObject*) {}

  private:
    void Link(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent, MBaseObjectTreeNode* before);
    void Unlink(MBaseObjectTreeNode* node);
    void DestroySubtree(MBaseObjectTreeNode* node);

    MBaseObjectTreeNode* m_Root;
    // An object's node in the first tree that holds it is kept in the object
    // itself; nodes in further trees (copies) are found through this index.
    void IndexNode(MBaseObject* obj, MBaseObjectTreeNode* node);
    void UnindexNode(MBaseObject* obj);
    std::unordered_map<const MBaseObject*, MBaseObjectTreeNode*> m_Index;
    int m_Count = 0;
    uint64_t m_ShapeVersion = 0;
    int m_TraverseType = TRAVERSE_DEPTH_FIRST;
    MBaseObjectTreeNode* m_Pos = nullptr;
    MBaseObjectTreeNode* m_Current = nullptr;
};
