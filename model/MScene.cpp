#include "MScene.h"

#include <charconv>

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
    obj->SetOwnerScene(this);
    obj->SetTime(m_SceneTime);
    IndexName(obj);
    if (obj->HasFlags(OBJ_SELECTED) && !m_Selected.Contains(obj))
        m_Selected.Add(obj);
}

void MScene::OnObjectRemoved(MBaseObject* obj)
{
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
