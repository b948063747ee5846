#include "MBaseObject.h"

#include "MScene.h"

#include <climits>
#include <cmath>

MBaseObject::MBaseObject() { AddStringParam("Name", ""); }

MBaseObject::~MBaseObject() = default;

MBaseObject* MBaseObject::CreateNew() const
{
    auto* copy = new (std::nothrow) MBaseObject();
    if (copy)
        copy->SetFrom(this);
    return copy;
}

void MBaseObject::SetFrom(const MBaseObject* other)
{
    if (!other || other == this)
        return;
    // The selection bit stays this object's own: the scene's selected list
    // follows it.
    m_Flags = (other->m_Flags & ~OBJ_SELECTED) | (m_Flags & OBJ_SELECTED);
    if (!m_Scene) // an object in a scene stays at the scene's time
        m_Time = other->m_Time;
    for (const auto& p : other->m_Params)
    {
        MParameterObject* mine = FindParameter(p->GetName().str());
        if (!mine)
            mine = AddParameter(p->Clone());
        else if (mine == m_Params.front().get())
            SetName(p->GetValue()); // so the owning scene re-indexes the name
        else
            mine->SetFrom(*p);
    }
}

int MBaseObject::Delete()
{
    if (--m_RefCount <= 0)
    {
        delete this;
        return 0;
    }
    return m_RefCount;
}

void MBaseObject::SetName(const MStr& name)
{
    MParameterObject* p = m_Params.front().get();
    if (p->GetValue() == name)
        return;
    const MStr old = p->GetValue();
    p->SetValue(name);
    if (m_Scene)
        m_Scene->OnObjectRenamed(this, old, name);
}

MStr MBaseObject::GetName() const { return m_Params.front()->GetValue(); }

MParameterObject* MBaseObject::GetParam(int index) const
{
    if (index < 0 || index >= GetParamCount())
        return nullptr;
    return m_Params[static_cast<size_t>(index)].get();
}

MParameterObject* MBaseObject::FindParameter(std::string_view name) const
{
    for (const auto& p : m_Params)
        if (EqualsNoCase(p->GetName().str(), name))
            return p.get();
    return nullptr;
}

MStr MBaseObject::GetParamByName(std::string_view name) const
{
    const MParameterObject* p = FindParameter(name);
    return p ? p->GetValue(m_Time) : MStr();
}

bool MBaseObject::SetParamByName(std::string_view name, const MStr& value, bool key)
{
    MParameterObject* p = FindParameter(name);
    if (p == m_Params.front().get())
    {
        SetName(value);
        return true;
    }
    if (!p)
        p = CreateMissingParameter(name);
    if (!p)
        return false;
    p->SetValue(value, m_Time, key);
    return true;
}

int MBaseObject::GetParamInt(std::string_view name) const
{
    const MParameterObject* p = FindParameter(name);
    if (!p)
        return 0;
    // Values read from files may lie outside an int: saturate them.
    const float f = p->GetFloat(m_Time);
    if (std::isnan(f))
        return 0;
    if (f >= 2147483648.0f)
        return INT_MAX;
    if (f < -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(f);
}

float MBaseObject::GetParamFloat(std::string_view name) const
{
    const MParameterObject* p = FindParameter(name);
    return p ? p->GetFloat(m_Time) : 0.0f;
}

MVector MBaseObject::GetParamVec(std::string_view name) const
{
    const MParameterObject* p = FindParameter(name);
    return p ? p->GetVector(m_Time) : MVector{};
}

MParameterObject* MBaseObject::AddParameter(std::unique_ptr<MParameterObject> param)
{
    m_Params.push_back(std::move(param));
    return m_Params.back().get();
}

MParameterObject* MBaseObject::AddFloatParam(const char* name, const char* value)
{
    return AddParameter(std::make_unique<MFloatParameterObject>(name, value));
}

MParameterObject* MBaseObject::AddVectorParam(const char* name, const char* value)
{
    return AddParameter(std::make_unique<MVectorParameterObject>(name, value));
}

MParameterObject* MBaseObject::AddStringParam(const char* name, const char* value)
{
    return AddParameter(std::make_unique<MStringParameterObject>(name, value));
}

MParameterObject* MBaseObject::AddFileParam(const char* name, const char* value)
{
    return AddParameter(std::make_unique<MFileNameParameterObject>(name, value));
}

MParameterObject* MBaseObject::AddColourParam(const char* name, const char* value)
{
    return AddParameter(std::make_unique<MColourParameterObject>(name, value));
}

MParameterObject* MBaseObject::AddChoiceParam(const char* name, const char* value, const MChoiceList& choices)
{
    return AddParameter(std::make_unique<MStringChoiceParameterObject>(name, value, choices));
}

MParameterObject* MBaseObject::AddOnOffParam(const char* name, const char* value)
{
    return AddChoiceParam(name, value, OnOffChoices());
}

bool MBaseObject::RemoveParameter(std::string_view name)
{
    for (size_t i = 1; i < m_Params.size(); ++i)
    {
        if (EqualsNoCase(m_Params[i]->GetName().str(), name))
        {
            m_Params.erase(m_Params.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}
