#pragma once

#include "MBaseObject.h"
#include "MBaseUndoNode.h"
#include "MStructureRecord.h"

#include <memory>

class MBaseObjectList;
class MBaseObjectTree;
class MParameterObject;
class MScene;

// The kinds of undo node. Each records a whole state of the current scene
// (g_CurrentScene): its constructor captures the present state, Restore puts
// the recorded state back, Capture records the present state again.

// The selection: a copy of the scene's selected-object list.
class MSelectUndoNode : public MBaseUndoNode
{
  public:
    MSelectUndoNode();
    ~MSelectUndoNode() override;
    // Selects the recorded objects, in their recorded order, that are still
    // in the scene. Returns 0.
    int Restore() override;
    MBaseUndoNode* Clone() const override;
    bool Capture() override;

    // The recorded selection, or null when there is none (no scene).
    const MBaseObjectList* GetList() const { return m_List.Get(); }

  private:
    MRef<MBaseObjectList> m_List;
};

// The scene's current time.
class MTimeUndoNode : public MBaseUndoNode
{
  public:
    MTimeUndoNode();
    // Sets the scene's time to the recorded one; returns 1 (0 without a scene).
    int Restore() override;
    MBaseUndoNode* Clone() const override;
    bool Capture() override;

    int GetTime() const { return m_Time; }

  private:
    int32_t m_Time = 0;
};

// The values of a set of parameters, as MKeyListUndoSubItem objects.
class MParameterUndoNode : public MBaseUndoNode
{
  public:
    MParameterUndoNode();
    ~MParameterUndoNode() override;
    // Puts every recorded value back, sets the scene's time again so the
    // objects re-evaluate, and returns how many sub-items there are.
    int Restore() override;
    // A node holding copies of the sub-items, in the same order.
    MBaseUndoNode* Clone() const override;
    // Each sub-item records its parameter's present value. The sub-items are
    // put in a new list head first, so their order reverses on every capture.
    bool Capture() override;

    // Records a parameter of an object (at the head of the sub-items). A null
    // owner or parameter, or a parameter that is not the owner's, is ignored;
    // returns whether the parameter was recorded.
    bool AddParameter(MBaseObject* owner, MParameterObject* param);
    // The same for the owner's parameter of that name (matched without regard
    // to case).
    bool AddParameter(MBaseObject* owner, const MStr& name);

    const MBaseObjectList& GetSubItems() const { return *m_Items; }

  private:
    MRef<MBaseObjectList> m_Items;
};

// The scene's object tree: a copy of the tree (the same objects under the
// same parents) whose nodes carry each object's flag word, so hierarchy,
// selection, visibility and the other object flags come back together; and
// the layer and shader-node lists of the materials and layers in it, which
// describe the same structure and come back with the tree.
class MSceneTreeUndoNode : public MBaseUndoNode
{
  public:
    // Records the tree of the given scene (the current scene by default).
    explicit MSceneTreeUndoNode(MScene* scene = nullptr);
    ~MSceneTreeUndoNode() override;
    // Gives the scene the recorded tree and flag words and rebuilds its
    // selection. Returns 1, or 0 when the scene or the tree is missing.
    int Restore() override;
    MBaseUndoNode* Clone() const override;
    bool Capture() override;

    MScene* GetScene() const { return m_Scene.Get(); }
    const MBaseObjectTree* GetTree() const { return m_Tree.Get(); }

  private:
    // A node for a scene holding a given tree copy, without capturing.
    MSceneTreeUndoNode(MScene* scene, MBaseObjectTree* tree);
    // Writes each object's flag word into its node of the recorded tree.
    void CopyFlagsIntoTree();

    MRef<MScene> m_Scene;
    MRef<MBaseObjectTree> m_Tree;
    std::shared_ptr<const MStructureRecord> m_Lists;
};
