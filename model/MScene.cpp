#include "MScene.h"

#include <charconv>
#include <unordered_set>
#include <vector>

MScene::~MScene()
{
    ClearScene();
}

MBaseObjectTreeNode* MScene::AddObject(MBaseObject* obj, MBaseObjectTreeNode* parent)
{
    return Add(obj, parent);
}

bool MScene::DeleteObject(MBaseObject* obj)
{
    return Remove(obj);
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
