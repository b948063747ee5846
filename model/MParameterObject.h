#pragma once

#include "MStr.h"
#include "MStrList.h"
#include "MTypes.h"

#include <map>
#include <memory>
#include <vector>

// One named parameter of a model object. Every kind holds its value as text,
// so what a file said comes back exactly as it was written; numeric readers
// (GetFloat, GetVector) parse the text. Keyed kinds hold keys by time and
// evaluate between them.
class MParameterObject
{
  public:
    MParameterObject(MStr name, MStr value) : m_Name(std::move(name)), m_Value(std::move(value)) {}
    virtual ~MParameterObject() = default;

    virtual int GetType() const = 0;
    virtual std::unique_ptr<MParameterObject> Clone() const = 0;

    const MStr& GetName() const { return m_Name; }
    void SetName(const MStr& name) { m_Name = name; }

    // The value as text at a time. Unkeyed kinds ignore the time.
    virtual MStr GetValue(int time = 0) const;
    // Sets the value at a time. With key set on a keyed kind a key is made or
    // replaced at that time; otherwise the plain value is set (and, on a keyed
    // kind that already has keys, the key at that time is replaced when there
    // is one).
    virtual void SetValue(const MStr& value, int time = 0, bool key = false);
    // Copies the value (and keys) of another parameter.
    virtual void SetFrom(const MParameterObject& other);

    float GetFloat(int time = 0) const;
    MVector GetVector(int time = 0) const;

    virtual bool IsKeyed() const { return false; }
    int GetKeyCount() const { return m_Keys ? static_cast<int>(m_Keys->size()) : 0; }
    const std::map<int, MStr>& GetKeys() const;
    void RemoveKeys() { m_Keys.reset(); }

  protected:
    MParameterObject(const MParameterObject& o);

    MStr m_Name;
    MStr m_Value;
    // Keys by time; made only for a parameter that gets keys, since most never do.
    std::unique_ptr<std::map<int, MStr>> m_Keys;
};

// Parses up to three numbers from text such as "1 0.5 .2" or "( 1 0.5 .2 )".
MVector ParseVectorText(const MStr& text);

class MFloatParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_FLOAT; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MFloatParameterObject>(*this);
    }
};

class MKeyedFloatParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_FLOAT_KEYED; }
    bool IsKeyed() const override { return true; }
    MStr GetValue(int time = 0) const override;
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MKeyedFloatParameterObject>(*this);
    }
};

class MVectorParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_VECTOR; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MVectorParameterObject>(*this);
    }
};

class MKeyedVectorParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_VECTOR_KEYED; }
    bool IsKeyed() const override { return true; }
    MStr GetValue(int time = 0) const override;
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MKeyedVectorParameterObject>(*this);
    }
};

class MStringParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_STRING; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MStringParameterObject>(*this);
    }
};

class MFileNameParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_FILENAME; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MFileNameParameterObject>(*this);
    }
};

class MColourParameterObject : public MParameterObject
{
  public:
    using MParameterObject::MParameterObject;
    int GetType() const override { return PARAM_COLOUR; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MColourParameterObject>(*this);
    }
};

// A text parameter that offers a list of choices (blend modes, wave
// functions, on/off). It still holds any text it is given, so a value a file
// spells differently is kept.
// A list of choices, shared by every parameter that offers it.
using MChoiceList = std::shared_ptr<const MStrList>;
MChoiceList MakeChoiceList(std::initializer_list<const char*> choices);

class MStringChoiceParameterObject : public MParameterObject
{
  public:
    MStringChoiceParameterObject(MStr name, MStr value, MChoiceList choices)
        : MParameterObject(std::move(name), std::move(value)), m_Choices(std::move(choices))
    {
    }
    MStringChoiceParameterObject(MStr name, MStr value, std::initializer_list<const char*> choices)
        : MStringChoiceParameterObject(std::move(name), std::move(value), MakeChoiceList(choices))
    {
    }
    int GetType() const override { return PARAM_STRING; }
    std::unique_ptr<MParameterObject> Clone() const override
    {
        return std::make_unique<MStringChoiceParameterObject>(*this);
    }
    int GetChoiceCount() const { return m_Choices ? m_Choices->GetCount() : 0; }
    // The choice at index i, empty when i is out of range.
    MStr GetChoice(int i) const { return m_Choices ? m_Choices->GetString(i) : MStr(); }
    const MChoiceList& GetChoices() const { return m_Choices; }

  private:
    MChoiceList m_Choices;
};

// The two choices of an on/off parameter.
const MChoiceList& OnOffChoices();

// True for the kinds a parameter can be (the PARAM_* values).
constexpr bool IsParameterKind(long long kind)
{
    switch (kind)
    {
    case PARAM_FLOAT:
    case PARAM_FLOAT_KEYED:
    case PARAM_VECTOR:
    case PARAM_VECTOR_KEYED:
    case PARAM_STRING:
    case PARAM_FILENAME:
    case PARAM_COLOUR:
        return true;
    default:
        return false;
    }
}

// Makes a parameter of a kind (PARAM_*); a string parameter with choices is a
// choice parameter. Unknown kinds give a string parameter.
std::unique_ptr<MParameterObject> MakeParameter(int kind, const MStr& name, const MStr& value,
                                                const MChoiceList& choices = nullptr);

// The parameters every object of a class has, in order, with their kinds and
// defaults. Objects make a parameter from its entry only when it is first
// reached, so a node holds only what it uses.
struct MParamEntry
{
    const char* name;
    int kind;
    const char* value;
    MChoiceList choices = nullptr;
};

class MParamSchema
{
  public:
    MParamSchema(std::initializer_list<MParamEntry> entries)
        : MParamSchema(std::vector<MParamEntry>(entries))
    {
    }
    explicit MParamSchema(std::vector<MParamEntry> entries) : m_Entries(std::move(entries))
    {
        for (const MParamEntry& entry : m_Entries)
        {
            m_Names.emplace_back(entry.name);
            m_Keys.push_back(Key(entry.name));
        }
    }
    int GetCount() const { return static_cast<int>(m_Entries.size()); }
    const MParamEntry& Get(int i) const { return m_Entries[static_cast<size_t>(i)]; }
    // The index of a name (without regard to case), or -1.
    int Find(std::string_view name) const;

  private:
    // Length and lowered first letter: most names are told apart by these
    // alone, before any text is compared.
    static uint32_t Key(std::string_view name)
    {
        const unsigned char c = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
        return uint32_t(name.size()) << 8 | ((c >= 'A' && c <= 'Z') ? c + 32u : c);
    }

    std::vector<MParamEntry> m_Entries;
    std::vector<std::string_view> m_Names;
    std::vector<uint32_t> m_Keys;
};
