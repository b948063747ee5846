#pragma once

#include "MBaseObjectList.h"
#include "MBaseObjectTree.h"
#include "MNameIndex.h"
#include "MSceneViewFlags.h"
#include "MVector3.h"

#include <memory>

#include <string>
#include <unordered_map>
#include <unordered_set>

// The scene: a tree of objects, the list of selected objects (kept in step
// with each object's OBJ_SELECTED flag), the time, and the pick and selection
// modes. Names are indexed, so unique names and name look-ups take constant
// time however large the scene grows.
class MSceneLayout;
class MTransformObject;

class MScene : public MBaseObjectTree
{
  public:
    MScene() = default;
    ~MScene() override;
    MStr ClassName() const override { return "MScene"; }
    MStr ParentClassName() const override { return "MBaseObjectTree"; }
    MBaseObject* CreateNew() const override { return nullptr; }

    // Structure. A material's layer list, each layer's shader-node list and
    // the tree describe the same structure: the layers of a material stand
    // under it in the tree, the nodes of a layer under the layer. The
    // operations below change both together.

    // Adds the object at the top level, or as the last child of parent. A
    // layer added under a material joins that material's layer list (leaving
    // another material's), a shader node added under a layer joins its list.
    MBaseObjectTreeNode* AddObject(MBaseObject* obj, MBaseObjectTreeNode* parent = nullptr);
    // Removes the object from the scene and from the list of the material or
    // layer that holds it. With children, everything under it goes too;
    // without, its children move up to its parent in its place, except
    // those of materials and layers, which cannot stand without them.
    // False when the object is not in the scene.
    bool DeleteObject(MBaseObject* obj, bool withChildren = true);
    // Makes a node the last child of parent (null: the top level), moving
    // the object between the lists as well. Refused, with a log line and no
    // change, when it would break the structure: a layer away from every
    // material, a shader node away from every layer, anything else under a
    // material, layer or node, or a node under itself or its descendants.
    bool ReparentObject(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent);
    // True when the lists and the tree agree (see above) and every layer
    // and node knows its container; otherwise false, with the first
    // disagreement described in problem when given.
    bool CheckStructure(MStr* problem = nullptr) const;
    // Selects an object (adding it to the selection, or replacing the
    // selection when add is false); a null object with add false empties it.
    void SelectObject(MBaseObject* obj, bool add = true);
    void DeselectObject(MBaseObject* obj);
    void SelectNone();
    // Adds every object of class T (or a class derived from it) to the selection.
    template <class T> void SelectAllOf()
    {
        ForEachNode(
            [this](MBaseObjectTreeNode* n)
            {
                if (dynamic_cast<T*>(n->GetObject()))
                    SelectObject(n->GetObject());
            });
    }
    const MBaseObjectList& GetSelectedList() const { return m_Selected; }
    // A name made from base and a number that no object in the scene has and
    // that this scene has not handed out before.
    MStr GenerateUniqueName(const MStr& base);
    // The first object found with this exact name, or null.
    MBaseObject* FindObjectByName(const MStr& name) const;
    // Empties the scene: every object, the selection and the name counters.
    void ClearScene();

    // Makes the scene's tree a copy of another tree: the same objects under
    // the same parents in the same order, with the other tree's node flags.
    // The scene takes references of its own and the other tree is left as it
    // was. Objects that are no longer in the tree leave the scene, its name
    // index and the selection; selected objects that stay keep their place in
    // the selection, and newly present objects whose flag word says selected
    // follow in tree order. False (and nothing changes) for a null tree.
    bool SetObjectList(const MBaseObjectTree* tree);
    // Rebuilds the selection from the OBJ_SELECTED flags of the objects in
    // the tree, in tree order. Used after flag words were set directly.
    void UpdateSelectedObjectList();
    // Tells objects that what they show may have changed: with all, every
    // object in the tree runs its UpdateObject; otherwise only obj (when
    // given). The objects' own UpdateObject decides what that means; the base
    // class does nothing.
    using MBaseObjectTree::UpdateObject;
    void UpdateObject(MBaseObject* obj, bool all);

    MBaseObjectTree& GetObjectTree() { return *this; }
    int GetObjectCount() const { return GetCount(); }

    int GetTime() const { return m_SceneTime; }
    void SetTime(int time) override;

    int GetPickMode() const { return m_PickMode; }
    void SetPickMode(int mode) { m_PickMode = mode; }
    int GetSelectionMode() const { return m_SelectionMode; }
    void SetSelectionMode(int mode) { m_SelectionMode = mode; }

    // Draws the scene into the current OpenGL context with the current
    // projection and modelview (MSceneDraw.cpp). Every visible material is a
    // preview surface in the XY plane, laid out in rows; scene objects with
    // meshes are drawn with their material. Only what lies in the view is
    // drawn. While the pick mode is set, what is drawn is named, the
    // context's selection mode (entered by the caller) is left, and hits
    // holds one MSelectionItem per object hit: for modes 1 and 2 (a click)
    // the nearest, for 3 and 4 (a box) every one.
    void DrawScene(const MSceneViewFlags& flags, MBaseObjectList* hits);
    // The centre of the box around the selected objects (materials by their
    // surfaces, scene objects by their meshes or positions); kind -1 takes
    // whole objects, kinds 2 to 4 the flagged components of meshes. The
    // origin when nothing is selected.
    MVector3 GetSelectionCentre(int kind = -1);
    // The transform of a scene object, or null.
    MTransformObject* GetTransform(MBaseObject* obj) const;
    // Where a material's preview surface lies (lo and hi corners in the XY
    // plane); false when the object is not a material of this scene.
    bool GetMaterialSurface(const MBaseObject* material, MVector3& lo, MVector3& hi);
    // Distance between the corners of neighbouring surfaces.
    static constexpr float kSurfacePitch = 320.0f;
    // Surfaces and meshes the last DrawScene drew (or named, when picking).
    int GetLastDrawnCount() const { return m_LastDrawn; }
    // Bumped whenever objects come or go; the drawing layout follows it.
    unsigned GetGeneration() const { return m_Generation; }

    // Called by MBaseObject::SetName around a rename of an object in this
    // scene: the index holds views of the names, so the old one leaves it
    // before it changes.
    void OnObjectRenaming(MBaseObject* obj);
    void OnObjectRenamed(MBaseObject* obj);

  protected:
    void OnObjectAdded(MBaseObject* obj) override;
    void OnObjectRemoved(MBaseObject* obj) override;

  private:
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    void IndexName(MBaseObject* obj);
    void UnindexName(MBaseObject* obj);
    // True when GenerateUniqueName has handed out this name before, for any
    // base: "Box1" with 1 and "Box" with 11 both give "Box11".
    bool IssuedBefore(std::string_view name) const;

    MBaseObjectList m_Selected;
    MNameIndex m_Names;
    // Base -> the last number handed out with it.
    std::unordered_map<std::string, unsigned, Hash, std::equal_to<>> m_LastSuffix;
    // Names of different bases can only meet when a base ends in a digit.
    bool m_DigitBaseUsed = false;
    struct LayoutDeleter
    {
        void operator()(MSceneLayout* layout) const;
    };
    std::unique_ptr<MSceneLayout, LayoutDeleter> m_Layout;
    unsigned m_Generation = 0;
    int m_LastDrawn = 0;
    int m_SceneTime = 0;
    int m_PickMode = 0;
    // Whole objects are selected until a tool picks components.
    int m_SelectionMode = 0x10000;
};
