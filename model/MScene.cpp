#include "MScene.h"

MScene::~MScene() { ClearScene(); }

MBaseObjectTreeNode* MScene::AddObject(MBaseObject* obj, MBaseObjectTreeNode* parent)
{
    return Add(obj, parent);
}

bool MScene::DeleteObject(MBaseObject* obj) { return Remove(obj); }

void MScene::OnObjectAdded(MBaseObject* obj)
{
    obj->SetOwnerScene(this);
    obj->SetTime(m_SceneTime);
    IndexName(obj->GetName().str(), obj);
    if (obj->HasFlags(OBJ_SELECTED) && !m_Selected.Contains(obj))
        m_Selected.Add(obj);
}

void MScene::OnObjectRemoved(MBaseObject* obj)
{
    if (obj->HasFlags(OBJ_SELECTED))
        m_Selected.Remove(obj);
    UnindexName(obj->GetName().str(), obj);
    obj->SetOwnerScene(nullptr);
}

void MScene::IndexName(const std::string& name, MBaseObject* obj) { m_Names[name].push_back(obj); }

void MScene::UnindexName(const std::string& name, MBaseObject* obj)
{
    auto it = m_Names.find(name);
    if (it == m_Names.end())
        return;
    auto& bearers = it->second;
    std::erase(bearers, obj);
    if (bearers.empty())
        m_Names.erase(it);
}

void MScene::OnObjectRenamed(MBaseObject* obj, const MStr& oldName, const MStr& newName)
{
    UnindexName(oldName.str(), obj);
    IndexName(newName.str(), obj);
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

MStr MScene::GenerateUniqueName(const MStr& base)
{
    // Bases may end in digits ("Box1" + "1" is "Box" + "11"), so names given
    // for any base are remembered, not just each base's counter.
    unsigned& next = m_NextSuffix[base.str()];
    std::string candidate;
    do
    {
        candidate = base.str() + std::to_string(++next);
    } while (m_Names.count(candidate) || m_Issued.count(candidate));
    m_Issued.insert(candidate);
    return MStr(std::move(candidate));
}

MBaseObject* MScene::FindObjectByName(const MStr& name) const
{
    auto it = m_Names.find(name.str());
    return it == m_Names.end() ? nullptr : it->second.front();
}

void MScene::ClearScene()
{
    SelectNone();
    m_Names.clear();
    RemoveAll();
    m_NextSuffix.clear();
    m_Issued.clear();
}

void MScene::SetTime(int time)
{
    m_SceneTime = time;
    MBaseObject::SetTime(time);
    ForEachNode([time](MBaseObjectTreeNode* n) { n->GetObject()->SetTime(time); });
}
