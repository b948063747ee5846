#include "MUndoNodes.h"

#include "Globals.h"
#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "MKeyListUndoSubItem.h"
#include "MScene.h"

#include <new>

namespace
{
// Copies a list with its CreateNew (the same members, each referenced again).
MBaseObjectList* CopyList(const MBaseObjectList& list)
{
    return static_cast<MBaseObjectList*>(list.CreateNew());
}

// A copy of a tree's structure. The scene's own CreateNew gives no copy (a
// scene is not duplicated), so a scene's tree is copied as a plain tree.
MBaseObjectTree* CopyTree(const MBaseObjectTree& tree)
{
    return static_cast<MBaseObjectTree*>(tree.MBaseObjectTree::CreateNew());
}
} // namespace

// MSelectUndoNode

MSelectUndoNode::MSelectUndoNode()
{
    SetName("Select");
    Capture();
}

MSelectUndoNode::~MSelectUndoNode() = default;

int MSelectUndoNode::Restore()
{
    MScene* scene = g_CurrentScene;
    if (!m_List || !scene)
        return 0;
    scene->SelectNone();
    // An object that has left the scene since (an edit that records no undo
    // may remove one) is not selected again: the selection holds only
    // objects of the scene.
    for (MBaseObject* obj : *m_List)
        if (obj->GetOwnerScene() == scene)
            scene->SelectObject(obj, true);
    return 0;
}

MBaseUndoNode* MSelectUndoNode::Clone() const
{
    auto* copy = new (std::nothrow) MSelectUndoNode();
    if (!copy)
        return nullptr;
    copy->SetName(GetName());
    copy->m_List.Reset(m_List ? CopyList(*m_List) : nullptr);
    return copy;
}

bool MSelectUndoNode::Capture()
{
    m_List.Reset(g_CurrentScene ? CopyList(g_CurrentScene->GetSelectedList()) : nullptr);
    return true;
}

// MTimeUndoNode

MTimeUndoNode::MTimeUndoNode()
{
    Capture();
}

int MTimeUndoNode::Restore()
{
    if (!g_CurrentScene)
        return 0;
    g_CurrentScene->SetTime(m_Time);
    return 1;
}

MBaseUndoNode* MTimeUndoNode::Clone() const
{
    auto* copy = new (std::nothrow) MTimeUndoNode();
    if (!copy)
        return nullptr;
    copy->SetName(GetName());
    copy->m_Time = m_Time;
    return copy;
}

bool MTimeUndoNode::Capture()
{
    if (g_CurrentScene)
        m_Time = g_CurrentScene->GetTime();
    return true;
}

// MParameterUndoNode

MParameterUndoNode::MParameterUndoNode() : m_Items(new MBaseObjectList()) {}

MParameterUndoNode::~MParameterUndoNode() = default;

int MParameterUndoNode::Restore()
{
    int count = 0;
    for (MBaseObject* obj : *m_Items)
    {
        static_cast<MKeyListUndoSubItem*>(obj)->RestoreValue();
        ++count;
    }
    // One time update serves every sub-item.
    if (g_CurrentScene)
        g_CurrentScene->SetTime(g_CurrentScene->GetTime());
    return count;
}

MBaseUndoNode* MParameterUndoNode::Clone() const
{
    auto* copy = new (std::nothrow) MParameterUndoNode();
    if (!copy)
        return nullptr;
    copy->SetName(GetName());
    for (MBaseObject* obj : *m_Items)
        copy->m_Items->Add(obj->CreateNew());
    return copy;
}

bool MParameterUndoNode::Capture()
{
    MRef<MBaseObjectList> items(new MBaseObjectList());
    for (MBaseObject* obj : *m_Items)
    {
        static_cast<MKeyListUndoSubItem*>(obj)->Capture();
        items->Insert(0, obj);
    }
    m_Items = items;
    return true;
}

bool MParameterUndoNode::AddParameter(MBaseObject* owner, MParameterObject* param)
{
    MRef<MKeyListUndoSubItem> item(new MKeyListUndoSubItem());
    if (!item->SetParameter(owner, param))
        return false;
    return m_Items->Insert(0, item.Get());
}

bool MParameterUndoNode::AddParameter(MBaseObject* owner, const MStr& name)
{
    return owner && AddParameter(owner, owner->FindParameter(name.str()));
}

// MSceneTreeUndoNode

MSceneTreeUndoNode::MSceneTreeUndoNode(MScene* scene) : m_Scene(scene ? scene : g_CurrentScene)
{
    Capture();
}

MSceneTreeUndoNode::MSceneTreeUndoNode(MScene* scene, MBaseObjectTree* tree)
    : m_Scene(scene), m_Tree(tree)
{
}

MSceneTreeUndoNode::~MSceneTreeUndoNode() = default;

int MSceneTreeUndoNode::Restore()
{
    if (!m_Scene || !m_Tree)
        return 0;
    MScene* scene = m_Scene.Get();
    // The scene copies the recorded tree's structure, so the recording
    // itself is handed over and stays as it is.
    scene->SetObjectList(m_Tree.Get());
    if (m_Lists)
        m_Lists->Restore();
    m_Tree->InitPosition(TRAVERSE_DEPTH_FIRST);
    while (MBaseObject* obj = m_Tree->GetNext())
        obj->SetFlags(m_Tree->GetCurrentNode()->GetFlags());
    scene->UpdateSelectedObjectList();
    return 1;
}

MBaseUndoNode* MSceneTreeUndoNode::Clone() const
{
    // A recording is never changed once made (Capture makes a new one), so
    // the copy shares it rather than copying a tree that may be large.
    auto* copy = new (std::nothrow) MSceneTreeUndoNode(m_Scene.Get(), m_Tree.Get());
    if (copy)
    {
        copy->SetName(GetName());
        copy->m_Lists = m_Lists;
    }
    return copy;
}

bool MSceneTreeUndoNode::Capture()
{
    m_Tree.Reset(m_Scene ? CopyTree(*m_Scene) : nullptr);
    m_Lists = m_Scene ? std::make_shared<const MStructureRecord>(*m_Scene) : nullptr;
    CopyFlagsIntoTree();
    return true;
}

void MSceneTreeUndoNode::CopyFlagsIntoTree()
{
    if (!m_Tree)
        return;
    m_Tree->InitPosition(TRAVERSE_DEPTH_FIRST);
    while (MBaseObject* obj = m_Tree->GetNext())
        m_Tree->GetCurrentNode()->SetFlags(obj->GetFlags());
}
