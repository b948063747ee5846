#include "MParameterObject.h"

#include <cstdlib>

MVector ParseVectorText(const MStr& text)
{
    float v[3] = {0, 0, 0};
    const char* p = text.c_str();
    for (int i = 0; i < 3 && *p;)
    {
        while (*p == ' ' || *p == '\t' || *p == '(' || *p == ')' || *p == ',' || *p == '\n' ||
               *p == '\r')
            ++p;
        if (!*p)
            break;
        char* end = nullptr;
        const double d = std::strtod(p, &end);
        if (end == p)
            break;
        v[i++] = static_cast<float>(d);
        p = end;
    }
    return MVector{v[0], v[1], v[2]};
}

MParameterObject::MParameterObject(const MParameterObject& o)
    : m_Name(o.m_Name), m_Value(o.m_Value),
      m_Keys(o.m_Keys ? std::make_unique<std::map<int, MStr>>(*o.m_Keys) : nullptr)
{
}

const std::map<int, MStr>& MParameterObject::GetKeys() const
{
    static const std::map<int, MStr> kNone;
    return m_Keys ? *m_Keys : kNone;
}

MStr MParameterObject::GetValue(int) const
{
    return m_Value;
}

void MParameterObject::SetValue(const MStr& value, int time, bool key)
{
    if (IsKeyed() && (key || (m_Keys && m_Keys->count(time))))
    {
        if (!m_Keys)
            m_Keys = std::make_unique<std::map<int, MStr>>();
        (*m_Keys)[time] = value;
        return;
    }
    m_Value = value;
}

void MParameterObject::SetFrom(const MParameterObject& other)
{
    m_Value = other.m_Value;
    if (IsKeyed() && other.m_Keys && !other.m_Keys->empty())
        m_Keys = std::make_unique<std::map<int, MStr>>(*other.m_Keys);
    else
        m_Keys.reset();
}

MChoiceList MakeChoiceList(std::initializer_list<const char*> choices)
{
    auto list = std::make_shared<MStrList>();
    for (const char* c : choices)
        list->AddString(c);
    return list;
}

const MChoiceList& OnOffChoices()
{
    static const MChoiceList kOnOff = MakeChoiceList({"On", "Off"});
    return kOnOff;
}

float MParameterObject::GetFloat(int time) const
{
    return static_cast<float>(std::strtod(GetValue(time).c_str(), nullptr));
}

MVector MParameterObject::GetVector(int time) const
{
    return ParseVectorText(GetValue(time));
}

namespace
{
// Evaluates keyed text at a time: the key itself on a key, the first or last
// key outside their range, and linear interpolation of each number between.
template <int N> MStr EvaluateKeys(const std::map<int, MStr>& keys, const MStr& plain, int time)
{
    if (keys.empty())
        return plain;
    auto hi = keys.lower_bound(time);
    if (hi != keys.end() && hi->first == time)
        return hi->second;
    if (hi == keys.begin())
        return hi->second;
    if (hi == keys.end())
        return std::prev(hi)->second;
    auto lo = std::prev(hi);
    // In double: keys may lie further apart than an int can count.
    const double t = (double(time) - double(lo->first)) / (double(hi->first) - double(lo->first));
    if (N == 1)
    {
        const double a = lo->second.ToDouble(), b = hi->second.ToDouble();
        return MStr::Printf("%g", a + (b - a) * t);
    }
    const MVector a = ParseVectorText(lo->second), b = ParseVectorText(hi->second);
    return MStr::Printf("%g %g %g", a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t,
                        a.z + (b.z - a.z) * t);
}
} // namespace

MStr MKeyedFloatParameterObject::GetValue(int time) const
{
    return EvaluateKeys<1>(GetKeys(), m_Value, time);
}

MStr MKeyedVectorParameterObject::GetValue(int time) const
{
    return EvaluateKeys<3>(GetKeys(), m_Value, time);
}

std::unique_ptr<MParameterObject> MakeParameter(int kind, const MStr& name, const MStr& value,
                                                const MChoiceList& choices)
{
    switch (kind)
    {
    case PARAM_FLOAT:
        return std::make_unique<MFloatParameterObject>(name, value);
    case PARAM_FLOAT_KEYED:
        return std::make_unique<MKeyedFloatParameterObject>(name, value);
    case PARAM_VECTOR:
        return std::make_unique<MVectorParameterObject>(name, value);
    case PARAM_VECTOR_KEYED:
        return std::make_unique<MKeyedVectorParameterObject>(name, value);
    case PARAM_FILENAME:
        return std::make_unique<MFileNameParameterObject>(name, value);
    case PARAM_COLOUR:
        return std::make_unique<MColourParameterObject>(name, value);
    default:
        if (choices)
            return std::make_unique<MStringChoiceParameterObject>(name, value, choices);
        return std::make_unique<MStringParameterObject>(name, value);
    }
}

int MParamSchema::Find(std::string_view name) const
{
    const uint32_t key = Key(name);
    for (size_t i = 0; i < m_Names.size(); ++i)
        if (m_Keys[i] == key && EqualsNoCase(m_Names[i], name))
            return static_cast<int>(i);
    return -1;
}
