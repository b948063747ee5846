#pragma once

#include "MParameterObject.h"
#include "MStr.h"
#include "MTypes.h"

#include <cstdint>
#include <memory>
#include <vector>

class MBaseObjectTree;
class MBaseObjectTreeNode;
class MFile;
class MScene;

// Root of every model object, tool, view and translator: a reference count,
// a flag word and an ordered list of named parameters whose first one is
// "Name". Parameter names match without regard to case.
//
// Reference counting: a new object holds no reference. AddRef takes one;
// Delete drops one and destroys the object when none is left (so Delete on an
// object nobody referenced destroys it at once).
class MBaseObject
{
  public:
    MBaseObject();
    MBaseObject(const MBaseObject&) = delete;
    MBaseObject& operator=(const MBaseObject&) = delete;

    // Virtual operations, in slot order.
    virtual ~MBaseObject();
    virtual MStr ClassName() const { return "MBaseObject"; }
    virtual MStr ParentClassName() const { return ""; }
    // An independent copy of this object (null when the class cannot be
    // copied). For lists and trees, a copy holding the same members.
    virtual MBaseObject* CreateNew() const;
    // Copies the flag word (but not the selection), the time (unless this
    // object is in a scene) and every parameter value of an object, matched by
    // parameter name. The name is set through SetName.
    virtual void SetFrom(const MBaseObject* other);
    virtual void SetTime(int time) { m_Time = time; }
    virtual void UpdateObject() {}
    virtual int ReadFromFile(MFile*) { return 0; }
    virtual int WriteToFile(MFile*) { return 0; }

    int AddRef() { return ++m_RefCount; }
    // Drops one reference; destroys the object when none is left. Returns the
    // references left (0 when destroyed).
    int Delete();
    int GetRefCount() const { return m_RefCount; }

    void SetName(MStr name);
    const MStr& GetName() const { return m_Name; }

    uint32_t GetFlags() const { return m_Flags; }
    void SetFlags(uint32_t f) { m_Flags = f; }
    void AddFlags(uint32_t f) { m_Flags |= f; }
    void ClearFlags(uint32_t f) { m_Flags &= ~f; }
    bool HasFlags(uint32_t f) const { return (m_Flags & f) != 0; }

    int GetTime() const { return m_Time; }

    // Parameters.
    // The parameters: "Name" first, then the class's, then any added ones.
    int GetParamCount() const { return static_cast<int>(m_Params.size()) + 1; }
    MParameterObject* GetParam(int index) const;
    MParameterObject* FindParameter(std::string_view name) const;
    // The value as text at the object's time; empty when there is no such
    // parameter.
    MStr GetParamByName(std::string_view name) const;
    // Sets a value given as text at the object's time (as a key when key is
    // set). Returns false when the object has no such parameter and does not
    // make one (see CreateMissingParameter).
    bool SetParamByName(std::string_view name, const MStr& value, bool key = false);
    int GetParamInt(std::string_view name) const;
    float GetParamFloat(std::string_view name) const;
    MVector GetParamVec(std::string_view name) const;

    // Adds a parameter at the end of the list; the object owns it.
    MParameterObject* AddParameter(std::unique_ptr<MParameterObject> param);
    MParameterObject* AddFloatParam(const char* name, const char* value);
    MParameterObject* AddVectorParam(const char* name, const char* value);
    MParameterObject* AddStringParam(const char* name, const char* value);
    MParameterObject* AddFileParam(const char* name, const char* value);
    MParameterObject* AddColourParam(const char* name, const char* value);
    MParameterObject* AddChoiceParam(const char* name, const char* value,
                                     const MChoiceList& choices);
    MParameterObject* AddOnOffParam(const char* name, const char* value);
    bool RemoveParameter(std::string_view name);

    // The scene whose tree holds this object, if any (kept by MScene).
    MScene* GetOwnerScene() const { return m_Scene; }
    void SetOwnerScene(MScene* scene) { m_Scene = scene; }

  protected:
    // Called by SetParamByName for a name the object lacks. Classes that take
    // open-ended parameters (surface words, extra image names) make one here.
    virtual MParameterObject* CreateMissingParameter(std::string_view) { return nullptr; }
    // Gives the object its class's parameters; called once, by a constructor,
    // before any parameter is added.
    void SetSchema(const MParamSchema* schema);

  private:
    int SchemaCount() const { return m_Schema ? m_Schema->GetCount() : 0; }
    // The index of a parameter name, or -1.
    int FindIndex(std::string_view name) const;
    // The parameter at an index, made from the schema when first reached.
    MParameterObject* Slot(int index) const;
    // The value text of a parameter (its default when not made yet).
    bool ValueByName(std::string_view name, MStr& value) const;
    // Makes every schema parameter a parameter of this object's own.
    void DetachSchema();

    friend class MBaseObjectTree;
    // The first tree holding this object, and its node there (see MBaseObjectTree).
    const MBaseObjectTree* m_TreeOwner = nullptr;
    MBaseObjectTreeNode* m_TreeNode = nullptr;

    int m_RefCount = 0;
    uint32_t m_Flags = OBJ_VISIBLE | OBJ_EXPANDED;
    int m_Time = 0;
    MScene* m_Scene = nullptr;
    MStr m_Name;
    const MParamSchema* m_Schema = nullptr;
    // Parameter 0 is the name, made on demand. Parameters 1 to the schema's
    // count are the class's, null until reached, then come the parameters
    // added to this object; they are held in m_Params from index 0.
    std::unique_ptr<MParameterObject>& Held(int index) const
    {
        return index == 0 ? m_NameParam : m_Params[size_t(index - 1)];
    }
    mutable std::unique_ptr<MParameterObject> m_NameParam;
    mutable std::vector<std::unique_ptr<MParameterObject>> m_Params;
};

// Holds one reference on a model object for as long as it lives.
template <class T> class MRef
{
  public:
    MRef() = default;
    explicit MRef(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    MRef(const MRef& o) : MRef(o.m_p) {}
    MRef(MRef&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    MRef& operator=(MRef o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~MRef()
    {
        if (m_p)
            m_p->Delete();
    }
    void Reset(T* p = nullptr) { *this = MRef(p); }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

  private:
    T* m_p = nullptr;
};

// Declares ClassName and ParentClassName.
#define M_DECLARE_CLASS_NAMES(Class, Parent)                                                       \
    MStr ClassName() const override                                                                \
    {                                                                                              \
        return #Class;                                                                             \
    }                                                                                              \
    MStr ParentClassName() const override                                                          \
    {                                                                                              \
        return #Parent;                                                                            \
    }

// Declares ClassName, ParentClassName and CreateNew for a class with a
// default constructor; CreateNew copies the parameters with SetFrom.
#define M_DECLARE_CLASS(Class, Parent)                                                             \
    M_DECLARE_CLASS_NAMES(Class, Parent)                                                           \
    MBaseObject* CreateNew() const override                                                        \
    {                                                                                              \
        auto* copy = new (std::nothrow) Class();                                                   \
        if (copy)                                                                                  \
            copy->SetFrom(this);                                                                   \
        return copy;                                                                               \
    }

// As M_DECLARE_CLASS, for containers: CreateNew gives a container holding the
// same members (each gaining a reference).
#define M_DECLARE_CLASS_COPY_MEMBERS(Class, Parent)                                                \
    M_DECLARE_CLASS_NAMES(Class, Parent)                                                           \
    MBaseObject* CreateNew() const override;
