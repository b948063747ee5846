#include "MSceneObject.h"

#include "MMaterial.h"

#include <new>

MSceneObject::MSceneObject() : m_Transform(new MTransformObject()) {}

MSceneObject::~MSceneObject() = default;

MBaseObject* MSceneObject::CreateNew() const
{
    auto* copy = new (std::nothrow) MSceneObject();
    if (copy)
        CopySceneParts(copy);
    return copy;
}

void MSceneObject::CopySceneParts(MSceneObject* copy) const
{
    copy->SetFrom(this);
    if (MBaseObject* t = m_Transform ? m_Transform->CreateNew() : nullptr)
        copy->SetTransform(static_cast<MTransformObject*>(t));
    if (m_Geometry)
        if (auto* g = dynamic_cast<MSceneObject*>(m_Geometry->CreateNew()))
            copy->SetGeometry(g);
    copy->SetMaterial(m_Material.Get());
}

void MSceneObject::SetTransform(MTransformObject* transform)
{
    m_Transform.Reset(transform ? transform : new MTransformObject());
}

void MSceneObject::SetGeometry(MSceneObject* geometry)
{
    if (geometry == this)
        return;
    m_Geometry.Reset(geometry);
    if (geometry && (geometry->GetFlags() & OBJ_TYPE_MESH))
        AddFlags(OBJ_TYPE_MESH);
}

void MSceneObject::SetMaterial(MMaterial* material)
{
    m_Material.Reset(material);
}

bool MSceneObject::SetComponentFlag(uint32_t, int, bool)
{
    return false;
}
