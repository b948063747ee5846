#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class MBaseObject;

// The scene's index of object names. Most names are a base followed by a
// number ("FileShader12", "textures/set3/wall_7"), handed out in sequence, so
// names are split into that base and number: the few bases stay in cache and
// the numbers index a dense table, which keeps look-ups cheap however many
// objects a scene holds. Names the split does not fit (no number, a leading
// zero, a very long number) are kept under the whole name.
//
// The index holds views of the objects' own names, so an object leaves it
// before its name changes.
class MNameIndex
{
  public:
    void Add(MBaseObject* obj);
    void Remove(MBaseObject* obj);
    // One object bearing the name, or null.
    MBaseObject* Find(std::string_view name) const;
    bool Contains(std::string_view name) const { return Find(name) != nullptr; }
    void Clear();
    size_t GetCount() const { return m_Count; }

  private:
    struct Key
    {
        std::string_view base;
        uint32_t number;
        bool numbered;
    };
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    // The bearers of the names that share one base.
    struct Base
    {
        MBaseObject* plain = nullptr;                      // the base itself, with no number
        std::vector<MBaseObject*> dense;                   // base + n, by n
        std::unordered_map<uint32_t, MBaseObject*> sparse; // numbers far beyond the dense table
        size_t count = 0;
    };

    static Key Split(std::string_view name);
    // The slot of a name's first bearer: null when the name has no slot yet
    // (and `create` is false or a sparse number is not there).
    MBaseObject** Slot(const Key& key, bool create);

    std::unordered_map<std::string, Base, Hash, std::equal_to<>> m_Bases;
    // Second and later bearers of a name.
    std::unordered_multimap<std::string_view, MBaseObject*> m_More;
    size_t m_Count = 0;
};
