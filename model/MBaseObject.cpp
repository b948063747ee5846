#include "MBaseObject.h"

#include "MScene.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace
{
// The "Name" parameter: it mirrors its object's name, and renaming through it
// goes through SetName, so the scene's name index stays right.
class MNameParameterObject : public MParameterObject
{
  public:
    explicit MNameParameterObject(MBaseObject* owner)
        : MParameterObject("Name", owner->GetName()), m_Owner(owner)
    {
    }
    int GetType() const override { return PARAM_STRING; }
    void SetValue(const MStr& value, int = 0, bool = false) override { m_Owner->SetName(value); }
    void Mirror(const MStr& name) { m_Value = name; }
    void SetFrom(const MParameterObject& other) override { m_Owner->SetName(other.GetValue()); }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MStringParameterObject>("Name", m_Owner->GetName());
    }

  private:
    MBaseObject* m_Owner;
};
} // namespace

MBaseObject::MBaseObject() = default;

MBaseObject::~MBaseObject() = default;

MBaseObject* MBaseObject::CreateNew() const
{
    auto* copy = new (std::nothrow) MBaseObject();
    if (copy)
        copy->SetFrom(this);
    return copy;
}

void MBaseObject::SetSchema(const MParamSchema* schema)
{
    if (m_Schema || !m_Params.empty())
        return;
    m_Schema = schema;
    m_Params.resize(size_t(SchemaCount()));
}

void MBaseObject::DetachSchema()
{
    for (int i = 1; i <= SchemaCount(); ++i)
        Slot(i);
    m_Schema = nullptr;
}

MParameterObject* MBaseObject::Slot(int index) const
{
    auto& slot = Held(index);
    if (!slot)
    {
        if (index == 0)
            slot = std::make_unique<MNameParameterObject>(const_cast<MBaseObject*>(this));
        else
        {
            const MParamEntry& entry = m_Schema->Get(index - 1);
            slot = MakeParameter(entry.kind, entry.name, entry.value, entry.choices);
        }
    }
    return slot.get();
}

int MBaseObject::FindIndex(std::string_view name) const
{
    if (EqualsNoCase(name, "Name"))
        return 0;
    const int count = SchemaCount();
    if (count)
    {
        const int i = m_Schema->Find(name);
        if (i >= 0)
            return i + 1;
    }
    for (size_t i = size_t(count); i < m_Params.size(); ++i)
        if (EqualsNoCase(m_Params[i]->GetName().str(), name))
            return int(i) + 1;
    return -1;
}

bool MBaseObject::ValueByName(std::string_view name, MStr& value) const
{
    const int i = FindIndex(name);
    if (i < 0)
        return false;
    if (i == 0)
        value = m_Name;
    else if (const auto& held = Held(i))
        value = held->GetValue(m_Time);
    else
        value = m_Schema->Get(i - 1).value;
    return true;
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
    SetName(other->m_Name); // so the owning scene re-indexes the name
    size_t first = 1;
    if (m_Schema && m_Schema == other->m_Schema)
    {
        // Same class: copy what the other made, and go back to the default
        // where it has none.
        for (int i = 1; i <= SchemaCount(); ++i)
        {
            if (const auto& theirs = other->Held(i))
                Slot(i)->SetFrom(*theirs);
            else
                Held(i).reset();
        }
        first = size_t(SchemaCount()) + 1;
    }
    for (size_t i = first; i < size_t(other->GetParamCount()); ++i)
    {
        const MParameterObject* p = other->Slot(int(i));
        MParameterObject* mine = FindParameter(p->GetName().str());
        if (!mine)
            AddParameter(p->Clone());
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

void MBaseObject::SetName(MStr name)
{
    if (m_Name == name)
        return;
    if (m_Scene)
        m_Scene->OnObjectRenaming(this);
    m_Name = std::move(name);
    if (m_NameParam)
        static_cast<MNameParameterObject*>(m_NameParam.get())->Mirror(m_Name);
    if (m_Scene)
        m_Scene->OnObjectRenamed(this);
}

MParameterObject* MBaseObject::GetParam(int index) const
{
    if (index < 0 || index >= GetParamCount())
        return nullptr;
    return Slot(index);
}

MParameterObject* MBaseObject::FindParameter(std::string_view name) const
{
    const int i = FindIndex(name);
    return i < 0 ? nullptr : Slot(i);
}

MStr MBaseObject::GetParamByName(std::string_view name) const
{
    MStr value;
    ValueByName(name, value);
    return value;
}

bool MBaseObject::SetParamByName(std::string_view name, const MStr& value, bool key)
{
    const int i = FindIndex(name);
    if (i == 0)
    {
        SetName(value);
        return true;
    }
    MParameterObject* p = i > 0 ? Slot(i) : CreateMissingParameter(name);
    if (!p)
        return false;
    p->SetValue(value, m_Time, key);
    return true;
}

int MBaseObject::GetParamInt(std::string_view name) const
{
    MStr text;
    if (!ValueByName(name, text))
        return 0;
    // Values read from files may lie outside an int: saturate them.
    const float f = static_cast<float>(std::strtod(text.c_str(), nullptr));
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
    MStr text;
    return ValueByName(name, text) ? static_cast<float>(std::strtod(text.c_str(), nullptr)) : 0.0f;
}

MVector MBaseObject::GetParamVec(std::string_view name) const
{
    MStr text;
    return ValueByName(name, text) ? ParseVectorText(text) : MVector{};
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

MParameterObject* MBaseObject::AddChoiceParam(const char* name, const char* value,
                                              const MChoiceList& choices)
{
    return AddParameter(std::make_unique<MStringChoiceParameterObject>(name, value, choices));
}

MParameterObject* MBaseObject::AddOnOffParam(const char* name, const char* value)
{
    return AddChoiceParam(name, value, OnOffChoices());
}

bool MBaseObject::RemoveParameter(std::string_view name)
{
    const int i = FindIndex(name);
    if (i <= 0)
        return false;
    if (i <= SchemaCount())
        DetachSchema();
    m_Params.erase(m_Params.begin() + (i - 1));
    return true;
}
