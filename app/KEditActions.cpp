// Handlers of the actions that edit the scene's structure and selection:
// duplicate, delete, the tree walks of the selection, select all, none,
// inverse and children, the frame steps, and hide and show.
#include "KActions.h"

#include "Globals.h"
#include "MBaseShaderNode.h"
#include "MConfig.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MPrivateEvent.h"
#include "MScene.h"
#include "MScriptInterpreter.h"
#include "MSystemManager.h"
#include "MUndoList.h"
#include "MUndoNodes.h"

#include <vector>

namespace
{
bool IsMaterialPart(const MBaseObject* obj)
{
    return dynamic_cast<const MMaterial*>(obj) || dynamic_cast<const MMaterialLayer*>(obj) ||
           dynamic_cast<const MBaseShaderNode*>(obj);
}

// The node's parent, or null for a top-level node.
MBaseObjectTreeNode* ParentOf(MScene& scene, MBaseObjectTreeNode* node)
{
    MBaseObjectTreeNode* parent = node->GetParent();
    return parent == scene.GetRoot() ? nullptr : parent;
}

// Names an object's members uniquely and adds them to the scene under the
// object's node: a material's layers with their nodes, a layer's nodes.
void AddMembers(MScene& scene, MBaseObject* obj, MBaseObjectTreeNode* node)
{
    if (auto* material = dynamic_cast<MMaterial*>(obj))
    {
        for (MBaseObject* layer : material->GetLayerList())
        {
            layer->SetName(scene.GenerateUniqueName(layer->GetName()));
            if (MBaseObjectTreeNode* layerNode = scene.AddObject(layer, node))
                AddMembers(scene, layer, layerNode);
        }
    }
    else if (auto* layer = dynamic_cast<MMaterialLayer*>(obj))
    {
        for (MBaseObject* shader : layer->GetShaderList())
        {
            shader->SetName(scene.GenerateUniqueName(shader->GetName()));
            scene.AddObject(shader, node);
        }
    }
}

// A copy of a parent object to hold a duplicate, placed beside the parent.
// A material's or layer's copy starts without members: it holds only what
// is duplicated into it, and a member that is not in the tree would break
// the structure. Returns the copy's node, or the parent's when no copy can
// be made.
MBaseObjectTreeNode* AddParentCopy(MScene& scene, MBaseObjectTreeNode* parent)
{
    MRef<MBaseObject> copy(parent->GetObject()->CreateNew());
    if (!copy)
        return parent;
    if (auto* m = dynamic_cast<MMaterial*>(copy.Get()))
        m->RemoveAllLayers();
    else if (auto* l = dynamic_cast<MMaterialLayer*>(copy.Get()))
        l->RemoveAllShaders();
    copy->SetName(scene.GenerateUniqueName(parent->GetObject()->GetName()));
    MBaseObjectTreeNode* node = scene.AddObject(copy.Get(), ParentOf(scene, parent));
    return node ? node : parent;
}

MBaseObjectList* CopyOfSelection(const MScene& scene)
{
    return static_cast<MBaseObjectList*>(scene.GetSelectedList().CreateNew());
}

// Replaces the selection by the given objects, in order.
void SelectInOrder(MScene& scene, const std::vector<MBaseObject*>& objects)
{
    scene.SelectNone();
    for (MBaseObject* obj : objects)
        scene.SelectObject(obj, true);
}

using StepFn = MBaseObjectTreeNode* (*)(MScene&, MBaseObjectTreeNode*);

// Moves each selected object's selection one step through the tree.
int WalkSelection(const char* label, StepFn step)
{
    MScene* scene = g_CurrentScene;
    if (!scene || scene->GetSelectedList().GetCount() == 0)
        return 0;
    MRef<MBaseObjectList> copy(CopyOfSelection(*scene));
    if (!copy)
        return 0;
    auto* undo = new MSelectUndoNode();
    undo->SetName(label);
    scene->SelectNone();
    for (MBaseObject* obj : *copy)
        if (MBaseObjectTreeNode* node = scene->FindObject(obj))
            scene->SelectObject(step(*scene, node)->GetObject(), true);
    copy.Reset();
    g_UndoList.AddNode(undo);
    MSendSceneChanged();
    return 1;
}

MBaseObjectTreeNode* StepParent(MScene& scene, MBaseObjectTreeNode* node)
{
    MBaseObjectTreeNode* parent = ParentOf(scene, node);
    return parent ? parent : node;
}

MBaseObjectTreeNode* StepChild(MScene&, MBaseObjectTreeNode* node)
{
    return node->GetFirstChild() ? node->GetFirstChild() : node;
}

MBaseObjectTreeNode* StepPrevSibling(MScene&, MBaseObjectTreeNode* node)
{
    if (node->GetPrevSibling())
        return node->GetPrevSibling();
    while (node->GetNextSibling())
        node = node->GetNextSibling();
    return node;
}

MBaseObjectTreeNode* StepNextSibling(MScene&, MBaseObjectTreeNode* node)
{
    if (node->GetNextSibling())
        return node->GetNextSibling();
    while (node->GetPrevSibling())
        node = node->GetPrevSibling();
    return node;
}

int StepFrame(const char* label, int ticks)
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    delete g_PendingUndoNode;
    g_PendingUndoNode = new MTimeUndoNode();
    g_PendingUndoNode->SetName(label);
    scene->SetTime(scene->GetTime() + ticks);
    g_UndoList.AddNode(g_PendingUndoNode);
    g_PendingUndoNode = nullptr;
    MSendSceneChanged();
    return 1;
}

enum class Which
{
    Selected,
    Unselected,
    All
};

int SetVisible(Which which, bool visible)
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            const bool selected = obj->HasFlags(OBJ_SELECTED);
            if (which == Which::All || (which == Which::Selected) == selected)
            {
                if (visible)
                    obj->AddFlags(OBJ_VISIBLE);
                else
                    obj->ClearFlags(OBJ_VISIBLE);
            }
        });
    MSendMessage(UM_SCENE_CHANGED, 65535);
    return 1;
}

void Log(const char* text)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogOutput("%s", text);
}
} // namespace

int KObjectDuplicateSelected()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    scene->ForEachNode([](MBaseObjectTreeNode* n) { n->GetObject()->ClearFlags(OBJ_TEMP_MASK); });
    MStr option;
    ReadToolPrefString("KObjectDuplicateSelected", "Dup_ParentGroup", option);
    const bool parentGroup = option.ToInt() > 0;

    auto* undo = new MSceneTreeUndoNode(scene);
    undo->SetName("Duplicate Selected");
    // Newest first, as they are selected afterwards.
    std::vector<MRef<MBaseObject>> made;
    MRef<MBaseObjectList> sources(CopyOfSelection(*scene));
    for (MBaseObject* source : *sources)
    {
        MBaseObjectTreeNode* sourceNode = scene->FindObject(source);
        if (!sourceNode)
            continue;
        MRef<MBaseObject> copy(source->CreateNew());
        if (!copy)
            continue;
        MBaseObjectTreeNode* target = ParentOf(*scene, sourceNode);
        if (parentGroup && target)
            target = AddParentCopy(*scene, target);
        copy->SetName(scene->GenerateUniqueName(source->GetName()));
        // Under its target a layer joins the target's material and a node
        // the target's layer, so lists and tree stay in step.
        MBaseObjectTreeNode* copyNode = scene->AddObject(copy.Get(), target);
        if (!copyNode)
            continue;
        AddMembers(*scene, copy.Get(), copyNode);
        made.push_back(copy);
    }
    scene->SelectNone();
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        scene->SelectObject(it->Get(), true);
    g_UndoList.AddNode(undo);
    MSendSceneChanged();
    return 1;
}

int KObjectDeleteSelected()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    const int mode = scene->GetSelectionMode();
    if (mode < 0x10000)
    {
        // Components belong to the meshes of scene objects; material parts
        // have none. Without vertex or triangle mode nothing can go.
        for (MBaseObject* obj : scene->GetSelectedList())
            if (!IsMaterialPart(obj) && !(mode & 0x300))
                Log("Warning: Nothing Deleted. Cannot Delete Component");
        MSendSceneChanged();
        return 1;
    }
    auto* undo = new MSceneTreeUndoNode(scene);
    undo->SetName("Delete Selected");
    MScriptVariable option("DeleteChildren");
    ReadToolPrefVariable("KObjectDeleteSelected", option);
    MRef<MBaseObjectList> doomed(CopyOfSelection(*scene));
    // Every selected object goes, so the selection ends empty; emptying it
    // first spares each removal a search of the list. The undo node holds
    // the flags as they were.
    scene->SelectNone();
    for (MBaseObject* obj : *doomed)
        scene->DeleteObject(obj, option.value != 0);
    doomed.Reset();
    g_UndoList.AddNode(undo);
    MSendSceneChanged();
    return 1;
}

int KSelectParent()
{
    return WalkSelection("Select Parent", StepParent);
}

int KSelectChild()
{
    return WalkSelection("Select Child", StepChild);
}

int KSelectPrevSibling()
{
    return WalkSelection("Select Previous Sibling", StepPrevSibling);
}

int KSelectNextSibling()
{
    return WalkSelection("Select Next Sibling", StepNextSibling);
}

int KEditSelectAll()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    // The selection list keeps in step with the flags: objects selected
    // before keep their place, the others follow in tree order.
    scene->ForEachNode([scene](MBaseObjectTreeNode* n) { scene->SelectObject(n->GetObject()); });
    g_UndoList.Purge();
    g_RedoList.Purge();
    MSendSceneChanged();
    return 1;
}

int KEditSelectNone()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    auto* undo = new MSelectUndoNode();
    undo->SetName("Select None");
    scene->SelectNone();
    g_UndoList.AddNode(undo);
    MSendSceneChanged();
    return 1;
}

int KEditSelectInverse()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    auto* undo = new MSelectUndoNode();
    undo->SetName("Select Inverse");
    scene->ForEachNode(
        [](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            obj->SetFlags(obj->GetFlags() ^ OBJ_SELECTED);
        });
    scene->UpdateSelectedObjectList();
    g_UndoList.AddNode(undo);
    MSendSceneChanged();
    return 1;
}

int KEditSelectChildren()
{
    MScene* scene = g_CurrentScene;
    if (!scene)
        return 0;
    // Each object below a selected one goes to the head of the selection,
    // so they end up ahead of the old selection in reverse tree order.
    std::vector<MBaseObject*> order;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            if (!n->GetObject()->HasFlags(OBJ_SELECTED) &&
                MBaseObjectTree::IsChildOfFlagged(n, OBJ_SELECTED))
                order.push_back(n->GetObject());
        });
    if (!order.empty())
    {
        std::vector<MBaseObject*> all(order.rbegin(), order.rend());
        for (MBaseObject* obj : scene->GetSelectedList())
            all.push_back(obj);
        // The old members stay alive: the tree holds them.
        SelectInOrder(*scene, all);
    }
    g_UndoList.Purge();
    g_RedoList.Purge();
    MSendSceneChanged();
    return 1;
}

int KControlNextFrame()
{
    return StepFrame("Next Frame", TICKS_PER_FRAME);
}

int KControlPrevFrame()
{
    return StepFrame("Previous Frame", -TICKS_PER_FRAME);
}

int KControlHideSelected()
{
    return SetVisible(Which::Selected, false);
}

int KControlHideUnSelected()
{
    return SetVisible(Which::Unselected, false);
}

int KControlHideAll()
{
    return SetVisible(Which::All, false);
}

int KControlShowSelected()
{
    return SetVisible(Which::Selected, true);
}

int KControlShowUnSelected()
{
    return SetVisible(Which::Unselected, true);
}

int KControlShowAll()
{
    return SetVisible(Which::All, true);
}
