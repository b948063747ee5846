#include "MCompleteTranslator.h"

#include "MBaseShaderNode.h"
#include "MFile.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMesh.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <nlohmann/json.hpp>
#include <unordered_map>
#include <unordered_set>

using nlohmann::json;

namespace
{
const char* const kFormatName = "Glazen scene";

void Log(const MStr& line)
{
    if (MSystemManager* sys = GetSystemManager())
        sys->LogLine(line);
}

bool IsKeyedKind(int64_t kind)
{
    return kind == PARAM_FLOAT_KEYED || kind == PARAM_VECTOR_KEYED;
}

// ---------------------------------------------------------------------------
// Writing

// True when the bytes are well-formed UTF-8 (what a JSON string can carry).
bool IsUtf8(std::string_view s)
{
    size_t i = 0;
    const size_t n = s.size();
    auto cont = [&](size_t at, unsigned lo = 0x80, unsigned hi = 0xBF)
    {
        if (at >= n)
            return false;
        const auto c = static_cast<unsigned char>(s[at]);
        return c >= lo && c <= hi;
    };
    while (i < n)
    {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80)
            i += 1;
        else if (c >= 0xC2 && c <= 0xDF && cont(i + 1))
            i += 2;
        else if (c == 0xE0 && cont(i + 1, 0xA0) && cont(i + 2))
            i += 3;
        else if (((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) && cont(i + 1) && cont(i + 2))
            i += 3;
        else if (c == 0xED && cont(i + 1, 0x80, 0x9F) && cont(i + 2))
            i += 3;
        else if (c == 0xF0 && cont(i + 1, 0x90) && cont(i + 2) && cont(i + 3))
            i += 4;
        else if (c >= 0xF1 && c <= 0xF3 && cont(i + 1) && cont(i + 2) && cont(i + 3))
            i += 4;
        else if (c == 0xF4 && cont(i + 1, 0x80, 0x8F) && cont(i + 2) && cont(i + 3))
            i += 4;
        else
            return false;
    }
    return true;
}

// Appends text as a JSON string, or, when it is not UTF-8, as {"hex": "..."}
// so that every byte comes back as it was.
void AppendText(std::string& out, std::string_view s)
{
    static const char hex[] = "0123456789abcdef";
    if (!IsUtf8(s))
    {
        out += "{\"hex\": \"";
        for (char ch : s)
        {
            const auto c = static_cast<unsigned char>(ch);
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        out += "\"}";
        return;
    }
    out += '"';
    size_t plain = 0; // start of the run of characters copied as they are
    for (size_t i = 0; i < s.size(); ++i)
    {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(s.data() + plain, i - plain);
        plain = i + 1;
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
            break;
        }
    }
    out.append(s.data() + plain, s.size() - plain);
    out += '"';
}

template <class T> void AppendNumber(std::string& out, T v)
{
    char buf[24];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    (void)ec;
    out.append(buf, end);
}

struct WriteEntry
{
    MBaseObject* object;
    MBaseObject* parent; // tree parent, or null at the top
    bool inTree;
    uint32_t nodeFlags;
};

class SceneWriter
{
  public:
    // Adds a tree object (parent null: top level).
    void AddTreeObject(MBaseObject* obj, MBaseObject* parent, uint32_t nodeFlags)
    {
        if (m_Ids.emplace(obj, static_cast<int>(m_Entries.size()) + 1).second)
            m_Entries.push_back({obj, parent, true, nodeFlags});
    }

    // Adds the layers and nodes that the listed objects hold but the tree
    // does not, after the tree objects, in the order they are first met.
    void AddHeldObjects()
    {
        for (size_t i = 0; i < m_Entries.size(); ++i)
        {
            MBaseObject* obj = m_Entries[i].object;
            if (auto* material = dynamic_cast<MMaterial*>(obj))
            {
                for (MBaseObject* o : material->GetLayerList())
                    if (dynamic_cast<MMaterialLayer*>(o))
                        AddHeld(o);
            }
            else if (auto* layer = dynamic_cast<MMaterialLayer*>(obj))
            {
                for (MBaseObject* o : layer->GetShaderList())
                    if (dynamic_cast<MBaseShaderNode*>(o))
                        AddHeld(o);
            }
            if (auto* so = dynamic_cast<MSceneObject*>(obj))
                for (MBaseObject* o : {static_cast<MBaseObject*>(so->GetTransform()),
                                       static_cast<MBaseObject*>(so->GetGeometry()),
                                       static_cast<MBaseObject*>(so->GetMaterial())})
                    if (o)
                        AddHeld(o);
        }
    }

    // Every object must be one the reader can make again.
    bool CheckClasses(MStr& reason) const
    {
        MSystemManager* sys = GetSystemManager();
        if (!sys)
        {
            reason = "there is no system manager to make objects with";
            return false;
        }
        std::unordered_set<std::string> known;
        for (const WriteEntry& e : m_Entries)
        {
            const MStr cls = e.object->ClassName();
            if (known.count(cls.str()))
                continue;
            if (!sys->FindPrototype(cls))
            {
                reason = MStr::Printf("object '%s' is of class '%s', which has no prototype and "
                                      "could not be made again when the file is opened",
                                      e.object->GetName().c_str(), cls.c_str());
                return false;
            }
            known.insert(cls.str());
        }
        return true;
    }

    void Write(std::string& out, int time, int pickMode, int selectionMode) const
    {
        out.clear();
        out.reserve(m_Entries.size() * 700 + 256);
        out += "{\n  \"format\": \"";
        out += kFormatName;
        out += "\",\n  \"version\": ";
        AppendNumber(out, MCompleteTranslator::kFormatVersion);
        out += ",\n  \"time\": ";
        AppendNumber(out, time);
        out += ",\n  \"pickMode\": ";
        AppendNumber(out, pickMode);
        out += ",\n  \"selectionMode\": ";
        AppendNumber(out, selectionMode);
        out += ",\n  \"objects\": [";
        for (size_t i = 0; i < m_Entries.size(); ++i)
        {
            out += i ? ",\n" : "\n";
            WriteObject(out, static_cast<int>(i) + 1, m_Entries[i]);
        }
        out += m_Entries.empty() ? "]\n}\n" : "\n  ]\n}\n";
    }

  private:
    void AddHeld(MBaseObject* obj)
    {
        if (m_Ids.emplace(obj, static_cast<int>(m_Entries.size()) + 1).second)
            m_Entries.push_back({obj, nullptr, false, 0});
    }

    void AppendIdList(std::string& out, const MBaseObjectList& list, bool layers) const
    {
        out += '[';
        bool first = true;
        for (MBaseObject* o : list)
        {
            const bool fits = layers ? dynamic_cast<MMaterialLayer*>(o) != nullptr
                                     : dynamic_cast<MBaseShaderNode*>(o) != nullptr;
            if (!fits)
                continue;
            if (!first)
                out += ", ";
            first = false;
            AppendNumber(out, m_Ids.at(o));
        }
        out += ']';
    }

    void WriteObject(std::string& out, int id, const WriteEntry& e) const
    {
        const MBaseObject* obj = e.object;
        out += "    {\n      \"id\": ";
        AppendNumber(out, id);
        out += ", \"class\": ";
        AppendText(out, obj->ClassName().str());
        out += ", \"flags\": ";
        AppendNumber(out, obj->GetFlags());
        if (e.inTree)
        {
            out += ", \"parent\": ";
            if (e.parent)
                AppendNumber(out, m_Ids.at(e.parent));
            else
                out += "null";
            if (e.nodeFlags)
            {
                out += ", \"nodeFlags\": ";
                AppendNumber(out, e.nodeFlags);
            }
        }
        if (auto* material = dynamic_cast<const MMaterial*>(obj))
        {
            out += ",\n      \"layers\": ";
            AppendIdList(out, material->GetLayerList(), true);
        }
        else if (auto* layer = dynamic_cast<const MMaterialLayer*>(obj))
        {
            out += ",\n      \"nodes\": ";
            AppendIdList(out, layer->GetShaderList(), false);
        }
        if (auto* so = dynamic_cast<const MSceneObject*>(obj))
            WriteSceneObject(out, *so);
        out += ",\n      \"params\": [";
        for (int i = 0; i < obj->GetParamCount(); ++i)
        {
            const MParameterObject* p = obj->GetParam(i);
            out += i ? ",\n        [" : "\n        [";
            AppendText(out, p->GetName().str());
            out += ", ";
            AppendNumber(out, p->GetType());
            out += ", ";
            // The plain value, not the value the keys give at some time.
            AppendText(out, p->MParameterObject::GetValue().str());
            if (p->IsKeyed() && p->GetKeyCount() > 0)
            {
                out += ", [";
                bool first = true;
                for (const auto& [t, v] : p->GetKeys())
                {
                    out += first ? "[" : ", [";
                    first = false;
                    AppendNumber(out, t);
                    out += ", ";
                    AppendText(out, v.str());
                    out += ']';
                }
                out += ']';
            }
            out += ']';
        }
        out += obj->GetParamCount() ? "\n      ]\n    }" : "]\n    }";
    }

    // What a scene object holds: its transform, geometry and material by id,
    // and a mesh's vertices, triangles and component flags as flat lists.
    void WriteSceneObject(std::string& out, const MSceneObject& so) const
    {
        const std::pair<const char*, const MBaseObject*> parts[] = {
            {"transform", so.GetTransform()},
            {"geometry", so.GetGeometry()},
            {"material", so.GetMaterial()}};
        for (const auto& [key, part] : parts)
            if (part)
            {
                out += ", \"";
                out += key;
                out += "\": ";
                AppendNumber(out, m_Ids.at(part));
            }
        const auto* mesh = dynamic_cast<const MMesh*>(&so);
        if (!mesh)
            return;
        out += ",\n      \"vertices\": [";
        bool first = true;
        for (const MVector3& v : mesh->GetVertices())
            for (float f : {v.x, v.y, v.z})
            {
                if (!first)
                    out += ", ";
                first = false;
                AppendFloat(out, f);
            }
        out += "],\n      \"triangles\": [";
        first = true;
        for (const MMesh::Triangle& t : mesh->GetTriangles())
            for (int i : t)
            {
                if (!first)
                    out += ", ";
                first = false;
                AppendNumber(out, i);
            }
        out += ']';
        const std::pair<const char*, const std::vector<uint32_t>*> flagLists[] = {
            {"vertexFlags", &mesh->GetVertexFlags()},
            {"edgeFlags", &mesh->GetEdgeFlags()},
            {"triangleFlags", &mesh->GetTriangleFlags()}};
        for (const auto& [key, list] : flagLists)
        {
            if (std::all_of(list->begin(), list->end(), [](uint32_t f) { return f == 0; }))
                continue;
            out += ",\n      \"";
            out += key;
            out += "\": [";
            for (size_t i = 0; i < list->size(); ++i)
            {
                if (i)
                    out += ", ";
                AppendNumber(out, (*list)[i]);
            }
            out += ']';
        }
    }

    static void AppendFloat(std::string& out, float f)
    {
        // Shortest text that reads back as the same float.
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, std::isfinite(f) ? f : 0.0f);
        out.append(buf, r.ptr);
    }

    std::vector<WriteEntry> m_Entries;
    std::unordered_map<const MBaseObject*, int> m_Ids;
};

// ---------------------------------------------------------------------------
// Reading

// Raised with the reason a file is refused.
struct SceneError
{
    MStr reason;
};

[[noreturn]] void Fail(MStr reason)
{
    throw SceneError{std::move(reason)};
}

struct ReadRecord
{
    int id = 0;
    MRef<MBaseObject> object;
    bool inTree = false;
    int parent = 0; // 0: top level
    uint32_t nodeFlags = 0;
    std::vector<int> layers;
    std::vector<int> nodes;
    // Scene objects: ids of their parts (0: none) and a mesh's data.
    int transform = 0, geometry = 0, material = 0;
};

// Where in the file a value stands. The words are made only for a message,
// since most values are sound.
struct Where
{
    size_t object = 0; // record number from 1; 0 for the scene itself
    int id = 0;        // the record's id, once read
    size_t param = 0;  // parameter number from 1; 0 for none

    MStr Text() const
    {
        if (!object)
            return MStr();
        MStr text = MStr::Printf("object %zu", object);
        if (id)
            text += MStr::Printf(" (id %i)", id);
        if (param)
            text += MStr::Printf(", parameter %zu", param);
        return text;
    }
};

// A place and what stands there (": the id", " has no class").
struct Label
{
    const Where& where;
    const char* what;
    MStr Text() const { return where.Text() + what; }
};

// A text: a JSON string, or {"hex": "..."} for bytes that are not UTF-8.
MStr ReadText(const json& j, const Label& what)
{
    if (j.is_string())
        return MStr(j.get_ref<const std::string&>());
    if (j.is_object() && j.size() == 1 && j.contains("hex") && j["hex"].is_string())
    {
        const std::string& h = j["hex"].get_ref<const std::string&>();
        if (h.size() % 2 == 0)
        {
            std::string bytes;
            bytes.reserve(h.size() / 2);
            bool ok = true;
            for (size_t i = 0; ok && i < h.size(); i += 2)
            {
                const int hi = HexDigitValue(h[i]), lo = HexDigitValue(h[i + 1]);
                ok = hi >= 0 && lo >= 0;
                bytes += static_cast<char>(hi * 16 + lo);
            }
            if (ok)
                return MStr(std::move(bytes));
        }
    }
    Fail(what.Text() + " is not a text");
}

int64_t ReadInteger(const json& j, const Label& what, int64_t lo, int64_t hi)
{
    int64_t v = 0;
    if (j.is_number_unsigned())
    {
        const uint64_t u = j.get<uint64_t>();
        if (u > static_cast<uint64_t>(hi))
            Fail(what.Text() + " is out of range");
        v = static_cast<int64_t>(u);
    }
    else if (j.is_number_integer())
        v = j.get<int64_t>();
    else
        Fail(what.Text() + " is not a whole number");
    if (v < lo || v > hi)
        Fail(what.Text() + " is out of range");
    return v;
}

const json* Member(const json& obj, const char* name)
{
    auto it = obj.find(name);
    return it == obj.end() ? nullptr : &*it;
}

// Checks a file's records and makes every object, without touching any
// scene; raises SceneError when something is not sound. The header (the
// members beside the object list) is checked before any record is read.
class SceneReader
{
  public:
    void ReadHeader(const json& top)
    {
        const json* format = Member(top, "format");
        if (!format || !format->is_string() || format->get_ref<const std::string&>() != kFormatName)
            Fail("it is not a Glazen scene file");
        const json* version = Member(top, "version");
        if (!version || !version->is_number_integer())
            Fail("it has no format version");
        if (version->is_number_unsigned() &&
            version->get<uint64_t>() > uint64_t(MCompleteTranslator::kFormatVersion))
            Fail(MStr::Printf("it was written by a newer version of Glazen (format version %s; "
                              "this version reads up to %i)",
                              version->dump().c_str(), MCompleteTranslator::kFormatVersion));
        if (version->get<int64_t>() < 1)
            Fail(MStr::Printf("its format version %s is not valid", version->dump().c_str()));
        m_Sys = GetSystemManager();
        if (!m_Sys)
            Fail("there is no system manager to make objects with");
    }

    // The scene-wide values, which may stand after the object list.
    void ReadSceneValues(const json& top)
    {
        const Where scene;
        if (const json* t = Member(top, "time"))
            m_Time = static_cast<int>(ReadInteger(*t, {scene, "the scene time"}, INT_MIN, INT_MAX));
        if (const json* m = Member(top, "pickMode"))
            m_PickMode =
                static_cast<int>(ReadInteger(*m, {scene, "the pick mode"}, INT_MIN, INT_MAX));
        if (const json* m = Member(top, "selectionMode"))
            m_SelectionMode =
                static_cast<int>(ReadInteger(*m, {scene, "the selection mode"}, INT_MIN, INT_MAX));
    }

    void ReadObject(const json& o)
    {
        Where where;
        where.object = m_Records.size() + 1;
        if (!o.is_object())
            Fail(where.Text() + " is not an object record");
        const json* idValue = Member(o, "id");
        if (!idValue)
            Fail(where.Text() + " has no id");
        ReadRecord r;
        r.id = static_cast<int>(ReadInteger(*idValue, {where, ": the id"}, 1, INT_MAX));
        where.id = r.id;
        if (m_Index.count(r.id))
            Fail(where.Text() + ": another object has the same id");

        const json* cls = Member(o, "class");
        if (!cls)
            Fail(where.Text() + " has no class");
        const MStr className = ReadText(*cls, {where, ": the class"});
        r.object.Reset(m_Sys->CreateObject(className));
        if (!r.object)
            Fail(where.Text() + ": the class '" + className.str() +
                 "' is not known to this program");
        MBaseObject* obj = r.object.Get();

        if (const json* f = Member(o, "flags"))
            obj->SetFlags(
                static_cast<uint32_t>(ReadInteger(*f, {where, ": the flag word"}, 0, UINT32_MAX)));

        if (const json* p = Member(o, "parent"))
        {
            r.inTree = true;
            if (!p->is_null())
            {
                r.parent = static_cast<int>(ReadInteger(*p, {where, ": the parent"}, 1, INT_MAX));
                auto it = m_Index.find(r.parent);
                if (it == m_Index.end() || !m_Records[it->second].inTree)
                    Fail(where.Text() + ": its parent is not an earlier object of the scene tree");
            }
            if (const json* nf = Member(o, "nodeFlags"))
                r.nodeFlags = static_cast<uint32_t>(
                    ReadInteger(*nf, {where, ": the node flag word"}, 0, UINT32_MAX));
        }

        if (const json* layers = Member(o, "layers"))
        {
            if (!dynamic_cast<MMaterial*>(obj))
                Fail(where.Text() + " lists layers but is not a material");
            r.layers = ReadIdList(*layers, {where, ": the layer list"}, {where, ": a layer id"});
        }
        if (const json* nodes = Member(o, "nodes"))
        {
            if (!dynamic_cast<MMaterialLayer*>(obj))
                Fail(where.Text() + " lists nodes but is not a layer");
            r.nodes = ReadIdList(*nodes, {where, ": the node list"}, {where, ": a node id"});
        }

        ReadSceneObject(o, obj, r, where);

        if (const json* params = Member(o, "params"))
        {
            if (!params->is_array())
                Fail(where.Text() + ": the parameter list is not a list");
            // A file may make no more parameters than it lists, so a few
            // bytes cannot ask for millions of them.
            m_ParamBudget += static_cast<int64_t>(params->size());
            for (size_t i = 0; i < params->size(); ++i)
            {
                where.param = i + 1;
                ReadParameter(obj, (*params)[i], where);
            }
        }

        m_Index.emplace(r.id, m_Records.size());
        m_Records.push_back(std::move(r));
    }

    // Fills the materials' and layers' lists once every record is known.
    void ResolveMembers()
    {
        for (size_t i = 0; i < m_Records.size(); ++i)
        {
            ReadRecord& r = m_Records[i];
            const Where where{i + 1, r.id, 0};
            if (auto* material = dynamic_cast<MMaterial*>(r.object.Get()))
            {
                for (int id : r.layers)
                {
                    auto* layer = dynamic_cast<MMaterialLayer*>(Lookup(id, {where, ": a layer"}));
                    if (!layer)
                        Fail(where.Text() + ": a layer entry names an object that is not a layer");
                    material->AddLayer(layer);
                }
            }
            if (auto* layer = dynamic_cast<MMaterialLayer*>(r.object.Get()))
            {
                for (int id : r.nodes)
                {
                    auto* node = dynamic_cast<MBaseShaderNode*>(Lookup(id, {where, ": a node"}));
                    if (!node)
                        Fail(where.Text() +
                             ": a node entry names an object that is not a shader node");
                    layer->AddShader(node);
                }
            }
            if (auto* so = dynamic_cast<MSceneObject*>(r.object.Get()))
            {
                if (r.transform)
                {
                    auto* t = dynamic_cast<MTransformObject*>(
                        Lookup(r.transform, {where, ": the transform"}));
                    if (!t)
                        Fail(where.Text() +
                             ": the transform names an object that is not a transform");
                    so->SetTransform(t);
                }
                if (r.geometry)
                {
                    auto* g =
                        dynamic_cast<MSceneObject*>(Lookup(r.geometry, {where, ": the geometry"}));
                    if (!g || g == so || g->GetGeometry())
                        Fail(where.Text() + ": the geometry names an object that is not a plain "
                                            "scene object or mesh");
                    so->SetGeometry(g);
                }
                if (r.material)
                {
                    auto* m =
                        dynamic_cast<MMaterial*>(Lookup(r.material, {where, ": the material"}));
                    if (!m)
                        Fail(where.Text() +
                             ": the material names an object that is not a material");
                    so->SetMaterial(m);
                }
            }
            r.layers.clear();
            r.nodes.clear();
        }
    }

    // Puts what was read into the scene in place of what it held.
    void Commit(MScene* scene)
    {
        scene->ClearScene();
        scene->SetTime(m_Time);
        scene->SetPickMode(m_PickMode);
        scene->SetSelectionMode(m_SelectionMode);
        std::unordered_map<int, MBaseObjectTreeNode*> nodes;
        nodes.reserve(m_Records.size());
        for (ReadRecord& r : m_Records)
        {
            MBaseObject* obj = r.object.Get();
            if (!r.inTree)
            {
                obj->SetTime(m_Time);
                continue;
            }
            MBaseObjectTreeNode* parent = r.parent ? nodes.at(r.parent) : nullptr;
            MBaseObjectTreeNode* node = scene->AddObject(obj, parent);
            if (node)
            {
                node->SetFlags(r.nodeFlags);
                nodes.emplace(r.id, node);
            }
        }
        m_Records.clear();
    }

  private:
    // The parts of a scene object and a mesh's data (files of format 2 on).
    void ReadSceneObject(const json& o, MBaseObject* obj, ReadRecord& r, const Where& where)
    {
        auto* so = dynamic_cast<MSceneObject*>(obj);
        struct Part
        {
            const char* key;
            const char* label;
            int* id;
        };
        const Part parts[] = {{"transform", ": the transform", &r.transform},
                              {"geometry", ": the geometry", &r.geometry},
                              {"material", ": the material", &r.material}};
        for (const Part& part : parts)
            if (const json* v = Member(o, part.key))
            {
                if (!so)
                    Fail(where.Text() + " names a " + part.key + " but is not a scene object");
                *part.id = static_cast<int>(ReadInteger(*v, {where, part.label}, 1, INT_MAX));
            }
        const json* vertices = Member(o, "vertices");
        const json* triangles = Member(o, "triangles");
        auto* mesh = dynamic_cast<MMesh*>(obj);
        if (!vertices && !triangles)
            return;
        if (!mesh)
            Fail(where.Text() + " holds mesh data but is not a mesh");
        std::vector<MVector3> points;
        if (vertices)
        {
            if (!vertices->is_array() || vertices->size() % 3 != 0)
                Fail(where.Text() + ": the vertex list is not a list of x, y, z triples");
            points.reserve(vertices->size() / 3);
            for (size_t i = 0; i < vertices->size(); i += 3)
            {
                float c[3];
                for (size_t k = 0; k < 3; ++k)
                {
                    const json& v = (*vertices)[i + k];
                    if (!v.is_number() || !std::isfinite(v.get<double>()) ||
                        std::fabs(v.get<double>()) > 1e30)
                        Fail(where.Text() + ": a vertex coordinate is not a finite number");
                    c[k] = static_cast<float>(v.get<double>());
                }
                points.emplace_back(c[0], c[1], c[2]);
            }
        }
        std::vector<MMesh::Triangle> tris;
        if (triangles)
        {
            if (!triangles->is_array() || triangles->size() % 3 != 0)
                Fail(where.Text() + ": the triangle list is not a list of index triples");
            tris.reserve(triangles->size() / 3);
            for (size_t i = 0; i < triangles->size(); i += 3)
            {
                MMesh::Triangle t;
                for (size_t k = 0; k < 3; ++k)
                    t[k] = static_cast<int>(ReadInteger((*triangles)[i + k],
                                                        {where, ": a triangle corner"}, 0,
                                                        static_cast<int64_t>(points.size()) - 1));
                tris.push_back(t);
            }
        }
        std::vector<uint32_t> flags[3];
        const char* flagKeys[3] = {"vertexFlags", "edgeFlags", "triangleFlags"};
        for (int k = 0; k < 3; ++k)
            if (const json* list = Member(o, flagKeys[k]))
            {
                if (!list->is_array())
                    Fail(where.Text() + ": a component flag list is not a list");
                for (const json& f : *list)
                    flags[k].push_back(static_cast<uint32_t>(
                        ReadInteger(f, {where, ": a component flag"}, 0, UINT32_MAX)));
            }
        if (!mesh->SetData(std::move(points), std::move(tris), std::move(flags[0]),
                           std::move(flags[1]), std::move(flags[2])))
            Fail(where.Text() + ": a component flag list does not match the mesh");
    }

    static std::vector<int> ReadIdList(const json& list, const Label& what, const Label& entry)
    {
        if (!list.is_array())
            Fail(what.Text() + " is not a list");
        std::vector<int> ids;
        ids.reserve(list.size());
        for (const json& id : list)
            ids.push_back(static_cast<int>(ReadInteger(id, entry, 1, INT_MAX)));
        return ids;
    }

    void ReadParameter(MBaseObject* obj, const json& p, const Where& where)
    {
        if (!p.is_array() || p.size() < 3 || p.size() > 4)
            Fail(where.Text() + " is not a [name, kind, value] record");
        const MStr name = ReadText(p[0], {where, ": the name"});
        const int kind = static_cast<int>(ReadInteger(p[1], {where, ": the kind"}, 0, INT_MAX));
        if (!IsParameterKind(kind))
            Fail(where.Text() + MStr::Printf(": the kind %i is not known", kind));
        const MStr value = ReadText(p[2], {where, ": the value"});
        const json* keys = p.size() == 4 ? &p[3] : nullptr;
        if (keys && (!IsKeyedKind(kind) || !keys->is_array()))
            Fail(where.Text() + ": only keyed kinds (2 and 6) carry a key list");

        MParameterObject* param = obj->FindParameter(name.str());
        if (param == obj->GetParam(0))
        {
            if (keys)
                Fail(where.Text() + ": the name takes no keys");
            obj->SetName(value);
            return;
        }
        // Every parameter the file makes is charged to the budget; the class
        // may make several at once (animation frames up to the one named).
        const int before = obj->GetParamCount();
        auto charge = [&](int extra)
        {
            if (m_ParamBudget - (obj->GetParamCount() - before) - extra < 0)
                Fail(where.Text() + ": the file asks for more parameters than it holds");
        };
        if (!param)
        {
            // The class may make the parameter itself (a surface word, a
            // further animation frame), with its own choices.
            if (obj->SetParamByName(name.str(), value))
                param = obj->FindParameter(name.str());
            charge(0);
        }
        if (param && param->GetType() != kind)
        {
            obj->RemoveParameter(name.str());
            param = nullptr;
        }
        if (!param)
        {
            charge(1);
            param = obj->AddParameter(MakeParameter(kind, name, value));
        }
        m_ParamBudget -= obj->GetParamCount() - before;
        param->RemoveKeys();
        param->SetValue(value, 0, false);
        if (keys)
        {
            for (const json& k : *keys)
            {
                if (!k.is_array() || k.size() != 2)
                    Fail(where.Text() + ": a key is not a [time, value] pair");
                const int t =
                    static_cast<int>(ReadInteger(k[0], {where, ": a key time"}, INT_MIN, INT_MAX));
                param->SetValue(ReadText(k[1], {where, ": a key value"}), t, true);
            }
        }
    }

    MBaseObject* Lookup(int id, const Label& what)
    {
        auto it = m_Index.find(id);
        if (it == m_Index.end())
            Fail(what.Text() + MStr::Printf(" names the id %i, which no object has", id));
        return m_Records[it->second].object.Get();
    }

    MSystemManager* m_Sys = nullptr;
    std::vector<ReadRecord> m_Records;
    std::unordered_map<int, size_t> m_Index; // id -> record
    int64_t m_ParamBudget = 0;
    int m_Time = 0;
    int m_PickMode = 0;
    int m_SelectionMode = 0;
};

// Builds one JSON value from parser events.
class ValueBuilder
{
  public:
    bool Active() const { return m_Active; }
    void Begin()
    {
        m_Value = json();
        m_Stack.clear();
        m_Active = true;
    }
    // Adds a scalar; true when it was the whole value.
    bool Scalar(json v)
    {
        if (m_Stack.empty())
        {
            m_Value = std::move(v);
            m_Active = false;
            return true;
        }
        Place(std::move(v));
        return false;
    }
    void Open(json container) { m_Stack.push_back(Place(std::move(container))); }
    // Closes a container; true when that finished the value.
    bool Close()
    {
        m_Stack.pop_back();
        m_Active = !m_Stack.empty();
        return !m_Active;
    }
    void Key(std::string& key) { m_Key = std::move(key); }
    json& Value() { return m_Value; }

  private:
    json* Place(json v)
    {
        if (m_Stack.empty())
        {
            m_Value = std::move(v);
            return &m_Value;
        }
        json& top = *m_Stack.back();
        if (top.is_array())
        {
            top.push_back(std::move(v));
            return &top.back();
        }
        json& slot = top[m_Key];
        slot = std::move(v);
        return &slot;
    }

    json m_Value;
    std::vector<json*> m_Stack;
    std::string m_Key;
    bool m_Active = false;
};

// Reads a scene file as a stream of parser events: each object record is
// built and read as soon as it ends, so the file never stands in memory as a
// whole JSON tree. Records met before the header are kept until it comes.
class SceneStream : public nlohmann::json_sax<json>
{
  public:
    explicit SceneStream(SceneReader& reader) : m_Reader(reader) {}

    // After a successful parse: checks what could only be checked at the end.
    void Finish()
    {
        if (!m_HeaderRead)
            ReadHeader();
        if (!m_SawObjects)
            Fail("it has no object list");
        for (const json& record : m_Pending)
            m_Reader.ReadObject(record);
        m_Pending.clear();
        m_Reader.ReadSceneValues(m_Top);
        m_Reader.ResolveMembers();
    }
    const std::string& GetParseError() const { return m_ParseError; }

    bool null() override { return Scalar(json(nullptr)); }
    bool boolean(bool v) override { return Scalar(json(v)); }
    bool number_integer(number_integer_t v) override { return Scalar(json(v)); }
    bool number_unsigned(number_unsigned_t v) override { return Scalar(json(v)); }
    bool number_float(number_float_t v, const string_t&) override { return Scalar(json(v)); }
    bool string(string_t& v) override { return Scalar(json(std::move(v))); }
    bool binary(binary_t&) override { return Scalar(json()); }

    bool start_object(std::size_t) override
    {
        if (m_Builder.Active())
            m_Builder.Open(json::object());
        else if (m_State == kStart)
            m_State = kRoot;
        else
        {
            BeginValue();
            m_Builder.Open(json::object());
        }
        return true;
    }
    bool start_array(std::size_t) override
    {
        if (m_Builder.Active())
            m_Builder.Open(json::array());
        else if (m_State == kRoot && m_Key == "objects")
        {
            if (m_SawObjects)
                Fail("it holds two object lists");
            m_SawObjects = true;
            m_State = kObjects;
            if (Member(m_Top, "format") && Member(m_Top, "version"))
                ReadHeader();
        }
        else if (m_State == kStart)
            Fail("it is not a Glazen scene file");
        else
        {
            BeginValue();
            m_Builder.Open(json::array());
        }
        return true;
    }
    bool key(string_t& k) override
    {
        if (m_Builder.Active())
            m_Builder.Key(k);
        else
            m_Key = std::move(k);
        return true;
    }
    bool end_object() override
    {
        if (m_Builder.Active())
        {
            if (m_Builder.Close())
                EndValue();
        }
        else
            m_State = kEnd;
        return true;
    }
    bool end_array() override
    {
        if (m_Builder.Active())
        {
            if (m_Builder.Close())
                EndValue();
        }
        else
            m_State = kRoot;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override
    {
        m_ParseError = e.what();
        return false;
    }

  private:
    enum State
    {
        kStart,
        kRoot,    // directly in the top-level object
        kObjects, // directly in the object list
        kEnd,
    };

    bool Scalar(json v)
    {
        if (m_Builder.Active())
            m_Builder.Scalar(std::move(v));
        else if (m_State == kRoot && m_Key == "objects")
            Fail("it has no object list");
        else if (m_State == kStart)
            Fail("it is not a Glazen scene file");
        else
        {
            BeginValue();
            m_Builder.Scalar(std::move(v));
            EndValue();
        }
        return true;
    }

    void BeginValue() { m_Builder.Begin(); }

    void EndValue()
    {
        json& value = m_Builder.Value();
        if (m_State == kObjects)
        {
            if (m_HeaderRead)
                m_Reader.ReadObject(value);
            else
                m_Pending.push_back(std::move(value));
        }
        else
            m_Top[m_Key] = std::move(value);
    }

    void ReadHeader()
    {
        m_Reader.ReadHeader(m_Top);
        m_HeaderRead = true;
    }

    SceneReader& m_Reader;
    ValueBuilder m_Builder;
    State m_State = kStart;
    std::string m_Key;
    json m_Top = json::object();
    bool m_SawObjects = false;
    bool m_HeaderRead = false;
    std::vector<json> m_Pending;
    std::string m_ParseError;
};

// Collects the subtree under a tree node (the node first), depth first.
void AddSubtree(SceneWriter& writer, MBaseObjectTreeNode* top)
{
    writer.AddTreeObject(top->GetObject(), nullptr, top->GetFlags());
    std::vector<MBaseObjectTreeNode*> stack;
    for (MBaseObjectTreeNode* c = top->GetLastChild(); c; c = c->GetPrevSibling())
        stack.push_back(c);
    while (!stack.empty())
    {
        MBaseObjectTreeNode* n = stack.back();
        stack.pop_back();
        writer.AddTreeObject(n->GetObject(), n->GetParent()->GetObject(), n->GetFlags());
        for (MBaseObjectTreeNode* c = n->GetLastChild(); c; c = c->GetPrevSibling())
            stack.push_back(c);
    }
}

MStr ParseErrorText(const char* what)
{
    // "[json.exception.parse_error.101] parse error at line 3, ..." without the tag.
    std::string_view s(what);
    if (!s.empty() && s.front() == '[')
    {
        const size_t close = s.find("] ");
        if (close != std::string_view::npos)
            s.remove_prefix(close + 2);
    }
    return MStr(s);
}
} // namespace

bool MCompleteTranslator::CanImportFile(MStr fileName)
{
    MStr ext;
    fileName.SplitPath(nullptr, nullptr, nullptr, &ext);
    return ext.EqualsNoCase(".glazen");
}

bool MCompleteTranslator::WriteSceneText(MScene* scene, std::string& text, MStr& reason)
{
    if (!scene)
    {
        reason = "there is no scene";
        return false;
    }
    SceneWriter writer;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            MBaseObjectTreeNode* parent = n->GetParent();
            writer.AddTreeObject(n->GetObject(), parent ? parent->GetObject() : nullptr,
                                 n->GetFlags());
        });
    writer.AddHeldObjects();
    if (!writer.CheckClasses(reason))
        return false;
    writer.Write(text, scene->GetTime(), scene->GetPickMode(), scene->GetSelectionMode());
    return true;
}

bool MCompleteTranslator::WriteObjectText(MBaseObject* object, std::string& text, MStr& reason)
{
    if (auto* scene = dynamic_cast<MScene*>(object))
        return WriteSceneText(scene, text, reason);
    if (!object)
    {
        reason = "there is no object";
        return false;
    }
    SceneWriter writer;
    MScene* owner = object->GetOwnerScene();
    MBaseObjectTreeNode* node = owner ? owner->FindObject(object) : nullptr;
    if (node)
        AddSubtree(writer, node);
    else
        writer.AddTreeObject(object, nullptr, 0);
    writer.AddHeldObjects();
    if (!writer.CheckClasses(reason))
        return false;
    writer.Write(text, object->GetTime(), 0, 0);
    return true;
}

bool MCompleteTranslator::ReadSceneText(std::string_view text, MScene* scene, MStr& reason)
{
    if (!scene)
    {
        reason = "there is no scene to open it into";
        return false;
    }
    // Skip a byte-order mark and blanks to tell a foreign file from a damaged one.
    size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t' ||
                                   text[start] == '\r' || text[start] == '\n'))
        ++start;
    if (start == text.size())
    {
        reason = text.empty() ? "the file is empty" : "the file holds nothing but blanks";
        return false;
    }
    if (text[start] != '{')
    {
        reason = "it is not a Glazen scene file";
        return false;
    }
    try
    {
        SceneReader reader;
        SceneStream stream(reader);
        if (!json::sax_parse(text.substr(start), &stream))
        {
            reason = "it is damaged or cut short: " +
                     ParseErrorText(stream.GetParseError().c_str()).str();
            return false;
        }
        stream.Finish();
        reader.Commit(scene);
        return true;
    }
    catch (const SceneError& e)
    {
        reason = e.reason;
    }
    catch (const std::bad_alloc&)
    {
        reason = "there is not enough memory to read it";
    }
    catch (const std::exception& e)
    {
        reason = "it could not be read: " + ParseErrorText(e.what()).str();
    }
    return false;
}

bool MCompleteTranslator::ImportFile(MStr fileName, MScene* scene)
{
    MStr reason;
    std::string text;
    const MFileResult read = MFile::ReadWhole(fileName, text, kMaxFileBytes);
    if (!read)
        reason = "it could not be read: " + read.reason.str();
    else if (ReadSceneText(text, scene, reason))
        return true;
    Log(MStr::Printf("Scene file '%s' could not be opened: %s.", fileName.c_str(), reason.c_str()));
    return false;
}

bool MCompleteTranslator::ExportFile(MStr fileName, MScene* scene)
{
    return ExportObject(fileName, scene);
}

bool MCompleteTranslator::ExportObject(MStr fileName, MBaseObject* object)
{
    MStr reason;
    std::string text;
    if (WriteObjectText(object, text, reason))
    {
        const MFileResult written = MFile::WriteWhole(fileName, text);
        if (written)
            return true;
        reason = "it could not be written: " + written.reason.str();
    }
    Log(MStr::Printf("Scene file '%s' could not be saved: %s.", fileName.c_str(), reason.c_str()));
    return false;
}
