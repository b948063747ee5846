#include "MScene.h"

#include "MBaseShaderNode.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MSystemManager.h"

#include <charconv>
#include <unordered_set>
#include <vector>

MScene::~MScene()
{
    ClearScene();
}

namespace
{
bool IsPart(const MBaseObject* obj)
{
    return dynamic_cast<const MMaterial*>(obj) || dynamic_cast<const MMaterialLayer*>(obj) ||
           dynamic_cast<const MBaseShaderNode*>(obj);
}

// Takes an object out of the list of the material or layer that holds it.
void LeaveContainer(MBaseObject* obj)
{
    if (auto* layer = dynamic_cast<MMaterialLayer*>(obj))
    {
        if (MMaterial* m = layer->GetMaterial())
            m->RemoveLayer(layer);
    }
    else if (auto* node = dynamic_cast<MBaseShaderNode*>(obj))
    {
        if (MMaterialLayer* l = node->GetLayer())
            l->RemoveShader(node);
    }
}

// Puts a layer placed under a material into its list, a node placed under a
// layer into the layer's.
void JoinContainer(MBaseObject* obj, MBaseObject* parent)
{
    if (auto* layer = dynamic_cast<MMaterialLayer*>(obj))
    {
        if (auto* m = dynamic_cast<MMaterial*>(parent))
        {
            if (layer->GetMaterial() && layer->GetMaterial() != m)
                layer->GetMaterial()->RemoveLayer(layer);
            m->AddLayer(layer);
            layer->SetMaterial(m);
        }
    }
    else if (auto* node = dynamic_cast<MBaseShaderNode*>(obj))
    {
        if (auto* l = dynamic_cast<MMaterialLayer*>(parent))
        {
            if (node->GetLayer() && node->GetLayer() != l)
                node->GetLayer()->RemoveShader(node);
            l->AddShader(node);
            node->SetLayer(l);
        }
    }
}

// Why an object may not stand under parent (null: the top level), or null
// when it may.
const char* StructureRefusal(const MBaseObject* obj, const MBaseObject* parent)
{
    if (dynamic_cast<const MMaterialLayer*>(obj))
        return dynamic_cast<const MMaterial*>(parent) ? nullptr : "a layer belongs to a shader";
    if (dynamic_cast<const MBaseShaderNode*>(obj))
        return dynamic_cast<const MMaterialLayer*>(parent) ? nullptr
                                                           : "a shader node belongs to a layer";
    if (dynamic_cast<const MMaterial*>(parent))
        return "only layers go under a shader";
    if (dynamic_cast<const MMaterialLayer*>(parent))
        return "only shader nodes go under a layer";
    if (dynamic_cast<const MBaseShaderNode*>(parent))
        return "nothing goes under a shader node";
    return nullptr;
}
} // namespace

MBaseObjectTreeNode* MScene::AddObject(MBaseObject* obj, MBaseObjectTreeNode* parent)
{
    MBaseObjectTreeNode* node = Add(obj, parent);
    if (node && parent)
        JoinContainer(obj, parent->GetObject());
    return node;
}

bool MScene::DeleteObject(MBaseObject* obj, bool withChildren)
{
    MBaseObjectTreeNode* node = FindObject(obj);
    if (!node)
        return false;
    MRef<MBaseObject> hold(obj);
    LeaveContainer(obj);
    if (!withChildren && !IsPart(obj))
        while (MBaseObjectTreeNode* child = node->GetFirstChild())
            if (!SetParent(child, node->GetParent(), node))
                break;
    return Remove(obj);
}

bool MScene::ReparentObject(MBaseObjectTreeNode* node, MBaseObjectTreeNode* parent)
{
    if (!node || !node->GetObject() || FindObject(node->GetObject()) != node)
        return false;
    if (parent == GetRoot())
        parent = nullptr;
    if (parent && (!parent->GetObject() || FindObject(parent->GetObject()) != parent))
        return false;
    MBaseObject* obj = node->GetObject();
    MBaseObject* parentObj = parent ? parent->GetObject() : nullptr;
    const char* why = StructureRefusal(obj, parentObj);
    if (!why && parent && (parent == node || IsChildOf(parent, node)))
        why = "an object cannot go under itself or under an object below it";
    if (why)
    {
        if (MSystemManager* sys = GetSystemManager())
        {
            if (parentObj)
                sys->LogOutput("Warning: '%s' cannot be made a child of '%s': %s.",
                               obj->GetName().c_str(), parentObj->GetName().c_str(), why);
            else
                sys->LogOutput("Warning: '%s' cannot be moved to the top level: %s.",
                               obj->GetName().c_str(), why);
        }
        return false;
    }
    MRef<MBaseObject> hold(obj);
    LeaveContainer(obj);
    SetParent(node, parent);
    JoinContainer(obj, parentObj);
    return true;
}

bool MScene::CheckStructure(MStr* problem) const
{
    std::string why;
    auto name = [](const MBaseObject* o) { return std::string("'") + o->GetName().c_str() + "'"; };
    // A container's members each stand under it, and it has no other children.
    auto membersUnder = [&](MBaseObjectTreeNode* n, const MBaseObjectList& list)
    {
        for (MBaseObject* m : list)
        {
            MBaseObjectTreeNode* mn = FindObject(m);
            if (!mn || mn->GetParent() != n)
            {
                why = name(m) + " is in the list of " + name(n->GetObject()) +
                      " but not under it in the scene tree";
                return false;
            }
        }
        if (list.GetCount() != n->GetChildCount())
        {
            why = name(n->GetObject()) + " has " + std::to_string(n->GetChildCount()) +
                  " children in the scene tree but " + std::to_string(list.GetCount()) +
                  " in its list";
            return false;
        }
        return true;
    };
    bool ok = true;
    for (MBaseObjectTreeNode* n = NextDepthFirst(GetRoot()); n && ok; n = NextDepthFirst(n))
    {
        MBaseObject* obj = n->GetObject();
        MBaseObject* parent = n->GetParent() == GetRoot() ? nullptr : n->GetParent()->GetObject();
        if (const char* refusal = StructureRefusal(obj, parent))
        {
            why = name(obj) + " stands under " + (parent ? name(parent) : "the top level") + ": " +
                  refusal;
            ok = false;
        }
        else if (auto* m = dynamic_cast<MMaterial*>(obj))
            ok = membersUnder(n, m->GetLayerList());
        else if (auto* l = dynamic_cast<MMaterialLayer*>(obj))
        {
            if (l->GetMaterial() != parent || !l->GetMaterial()->GetLayerList().Contains(l))
            {
                why = name(l) + " and the shader it stands under do not list each other";
                ok = false;
            }
            else
                ok = membersUnder(n, l->GetShaderList());
        }
        else if (auto* sn = dynamic_cast<MBaseShaderNode*>(obj))
        {
            if (sn->GetLayer() != parent || !sn->GetLayer()->GetShaderList().Contains(sn))
            {
                why = name(sn) + " and the layer it stands under do not list each other";
                ok = false;
            }
        }
    }
    if (!ok && problem)
        *problem = MStr(why);
    return ok;
}

void MScene::OnObjectAdded(MBaseObject* obj)
{
    ++m_Generation;
    obj->SetOwnerScene(this);
    obj->SetTime(m_SceneTime);
    IndexName(obj);
    if (obj->HasFlags(OBJ_SELECTED) && !m_Selected.Contains(obj))
        m_Selected.Add(obj);
}

void MScene::OnObjectRemoved(MBaseObject* obj)
{
    ++m_Generation;
    if (obj->HasFlags(OBJ_SELECTED))
        m_Selected.Remove(obj);
    UnindexName(obj);
    obj->SetOwnerScene(nullptr);
}

void MScene::IndexName(MBaseObject* obj)
{
    m_Names.Add(obj);
}

void MScene::UnindexName(MBaseObject* obj)
{
    m_Names.Remove(obj);
}

void MScene::OnObjectRenaming(MBaseObject* obj)
{
    UnindexName(obj);
}

void MScene::OnObjectRenamed(MBaseObject* obj)
{
    IndexName(obj);
}

void MScene::SelectObject(MBaseObject* obj, bool add)
{
    if (!add)
        SelectNone();
    if (!obj || obj->HasFlags(OBJ_SELECTED))
        return;
    obj->AddFlags(OBJ_SELECTED);
    m_Selected.Add(obj);
}

void MScene::DeselectObject(MBaseObject* obj)
{
    if (!obj || !obj->HasFlags(OBJ_SELECTED))
        return;
    obj->ClearFlags(OBJ_SELECTED);
    m_Selected.Remove(obj);
}

void MScene::SelectNone()
{
    for (MBaseObject* o : m_Selected)
        o->ClearFlags(OBJ_SELECTED);
    m_Selected.RemoveAll();
}

bool MScene::IssuedBefore(std::string_view name) const
{
    // A name from GenerateUniqueName is a base followed by a number without
    // leading zeros; try every split of the trailing digits.
    size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
        --digits;
    for (size_t split = digits; split < name.size(); ++split)
    {
        if (name[split] == '0' || name.size() - split > 9)
            continue;
        auto it = m_LastSuffix.find(name.substr(0, split));
        if (it == m_LastSuffix.end())
            continue;
        unsigned number = 0;
        for (size_t k = split; k < name.size(); ++k)
            number = number * 10 + unsigned(name[k] - '0');
        if (number <= it->second)
            return true;
    }
    return false;
}

MStr MScene::GenerateUniqueName(const MStr& base)
{
    auto it = m_LastSuffix.find(base.str());
    if (it == m_LastSuffix.end())
    {
        it = m_LastSuffix.emplace(base.str(), 0u).first;
        const char last = base.IsEmpty() ? 0 : base.str().back();
        m_DigitBaseUsed = m_DigitBaseUsed || (last >= '0' && last <= '9');
    }
    std::string candidate = base.str();
    const size_t baseLength = candidate.size();
    for (unsigned next = it->second + 1;; ++next)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, next).ptr;
        candidate.resize(baseLength);
        candidate.append(digits, end);
        if (m_Names.Contains(candidate) || (m_DigitBaseUsed && IssuedBefore(candidate)))
            continue;
        it->second = next;
        return MStr(std::move(candidate));
    }
}

MBaseObject* MScene::FindObjectByName(const MStr& name) const
{
    return m_Names.Find(name.str());
}

void MScene::ClearScene()
{
    SelectNone();
    m_Names.Clear();
    RemoveAll();
    m_LastSuffix.clear();
    m_DigitBaseUsed = false;
}

void MScene::SetTime(int time)
{
    m_SceneTime = time;
    MBaseObject::SetTime(time);
    ForEachNode([time](MBaseObjectTreeNode* n) { n->GetObject()->SetTime(time); });
}

bool MScene::SetObjectList(const MBaseObjectTree* tree)
{
    if (!tree)
        return false;
    if (tree == this)
        return true;

    // Hold the incoming objects and note where each goes before the scene
    // lets go of its own: an object may be in both, and the scene's reference
    // may be the last one an object outside the tree has.
    struct Entry
    {
        MRef<MBaseObject> obj;
        size_t parent; // index into entries, or npos for the top level
        uint32_t flags;
    };
    constexpr size_t npos = static_cast<size_t>(-1);
    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(tree->GetCount()));
    std::unordered_map<const MBaseObjectTreeNode*, size_t> indexOf;
    indexOf.reserve(static_cast<size_t>(tree->GetCount()));
    tree->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            size_t parent = npos;
            if (auto it = indexOf.find(n->GetParent()); it != indexOf.end())
                parent = it->second;
            else if (n->GetParent() != tree->GetRoot())
                return; // under a skipped node: skipped too
            if (!obj || obj == this)
                return; // the scene never holds itself
            indexOf.emplace(n, entries.size());
            entries.push_back({MRef<MBaseObject>(obj), parent, n->GetFlags()});
        });

    std::vector<MRef<MBaseObject>> oldSelection;
    oldSelection.reserve(static_cast<size_t>(m_Selected.GetCount()));
    for (MBaseObject* o : m_Selected)
        oldSelection.emplace_back(o);

    RemoveAll();
    std::vector<MBaseObjectTreeNode*> nodes(entries.size(), nullptr);
    for (size_t i = 0; i < entries.size(); ++i)
    {
        const Entry& e = entries[i];
        MBaseObjectTreeNode* parent = e.parent == npos ? nullptr : nodes[e.parent];
        if (e.parent != npos && !parent)
            continue; // its parent could not be placed
        nodes[i] = Add(e.obj.Get(), parent);
        if (nodes[i])
            nodes[i]->SetFlags(e.flags);
    }

    // Adding put every flagged object in the selection in tree order; put
    // those that were selected before back in their old order, ahead.
    std::unordered_set<const MBaseObject*> kept;
    std::vector<MBaseObject*> order;
    for (const MRef<MBaseObject>& o : oldSelection)
        if (o->HasFlags(OBJ_SELECTED) && FindObject(o.Get()) && kept.insert(o.Get()).second)
            order.push_back(o.Get());
    for (MBaseObject* o : m_Selected)
        if (kept.insert(o).second)
            order.push_back(o);
    m_Selected.RemoveAll();
    for (MBaseObject* o : order)
        m_Selected.Add(o);
    return true;
}

void MScene::UpdateSelectedObjectList()
{
    m_Selected.RemoveAll();
    ForEachNode(
        [this](MBaseObjectTreeNode* n)
        {
            if (n->GetObject()->HasFlags(OBJ_SELECTED))
                m_Selected.Add(n->GetObject());
        });
}

void MScene::UpdateObject(MBaseObject* obj, bool all)
{
    if (all)
        ForEachNode([](MBaseObjectTreeNode* n) { n->GetObject()->UpdateObject(); });
    else if (obj)
        obj->UpdateObject();
}
