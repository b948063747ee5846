#include "MMesh.h"

#include "MSelectionItem.h"

#include <algorithm>
#include <new>

MMesh::MMesh()
{
    AddFlags(OBJ_TYPE_MESH);
}

MBaseObject* MMesh::CreateNew() const
{
    auto* copy = new (std::nothrow) MMesh();
    if (!copy)
        return nullptr;
    CopySceneParts(copy);
    copy->m_Vertices = m_Vertices;
    copy->m_Triangles = m_Triangles;
    copy->m_VertexFlags = m_VertexFlags;
    copy->m_EdgeFlags = m_EdgeFlags;
    copy->m_TriangleFlags = m_TriangleFlags;
    return copy;
}

int MMesh::AddVertex(const MVector3& v)
{
    m_Vertices.push_back(v);
    m_VertexFlags.push_back(0);
    return GetVertexCount() - 1;
}

bool MMesh::AddTriangle(int a, int b, int c)
{
    const int n = GetVertexCount();
    for (int i : {a, b, c})
        if (i < 0 || i >= n)
            return false;
    m_Triangles.push_back({a, b, c});
    m_TriangleFlags.push_back(0);
    m_EdgeFlags.insert(m_EdgeFlags.end(), 3, 0u);
    return true;
}

bool MMesh::SetData(std::vector<MVector3> vertices, std::vector<Triangle> triangles,
                    std::vector<uint32_t> vertexFlags, std::vector<uint32_t> edgeFlags,
                    std::vector<uint32_t> triangleFlags)
{
    const auto n = static_cast<long long>(vertices.size());
    for (const Triangle& t : triangles)
        for (int i : t)
            if (i < 0 || i >= n)
                return false;
    if (vertexFlags.empty())
        vertexFlags.assign(vertices.size(), 0);
    if (edgeFlags.empty())
        edgeFlags.assign(triangles.size() * 3, 0);
    if (triangleFlags.empty())
        triangleFlags.assign(triangles.size(), 0);
    if (vertexFlags.size() != vertices.size() || edgeFlags.size() != triangles.size() * 3 ||
        triangleFlags.size() != triangles.size())
        return false;
    m_Vertices = std::move(vertices);
    m_Triangles = std::move(triangles);
    m_VertexFlags = std::move(vertexFlags);
    m_EdgeFlags = std::move(edgeFlags);
    m_TriangleFlags = std::move(triangleFlags);
    return true;
}

bool MMesh::SetComponentFlag(uint32_t flag, int index, bool on)
{
    std::vector<uint32_t>* list = nullptr;
    if (flag == COMPONENT_FLAG_VERTEX)
        list = &m_VertexFlags;
    else if (flag == COMPONENT_FLAG_EDGE)
        list = &m_EdgeFlags;
    else if (flag == COMPONENT_FLAG_TRIANGLE)
        list = &m_TriangleFlags;
    if (!list || index < 0 || size_t(index) >= list->size())
        return false;
    if (on)
        (*list)[size_t(index)] |= flag;
    else
        (*list)[size_t(index)] &= ~flag;
    return true;
}

void MMesh::ClearComponentFlags(uint32_t flags)
{
    for (auto* list : {&m_VertexFlags, &m_EdgeFlags, &m_TriangleFlags})
        for (uint32_t& f : *list)
            f &= ~flags;
}

int MMesh::DeleteVertexFlag(uint32_t flag)
{
    std::vector<int> newIndex(m_Vertices.size(), -1);
    std::vector<MVector3> vertices;
    std::vector<uint32_t> vertexFlags;
    for (size_t i = 0; i < m_Vertices.size(); ++i)
        if (!(m_VertexFlags[i] & flag))
        {
            newIndex[i] = static_cast<int>(vertices.size());
            vertices.push_back(m_Vertices[i]);
            vertexFlags.push_back(m_VertexFlags[i]);
        }
    const int deleted = GetVertexCount() - static_cast<int>(vertices.size());
    if (deleted == 0)
        return 0;
    std::vector<Triangle> triangles;
    std::vector<uint32_t> edgeFlags, triangleFlags;
    for (size_t t = 0; t < m_Triangles.size(); ++t)
    {
        const Triangle& tri = m_Triangles[t];
        const Triangle mapped{newIndex[size_t(tri[0])], newIndex[size_t(tri[1])],
                              newIndex[size_t(tri[2])]};
        if (mapped[0] < 0 || mapped[1] < 0 || mapped[2] < 0)
            continue;
        triangles.push_back(mapped);
        triangleFlags.push_back(m_TriangleFlags[t]);
        edgeFlags.insert(edgeFlags.end(), m_EdgeFlags.begin() + long(t * 3),
                         m_EdgeFlags.begin() + long(t * 3 + 3));
    }
    m_Vertices = std::move(vertices);
    m_VertexFlags = std::move(vertexFlags);
    m_Triangles = std::move(triangles);
    m_EdgeFlags = std::move(edgeFlags);
    m_TriangleFlags = std::move(triangleFlags);
    return deleted;
}

int MMesh::DeleteTriangleFlag(uint32_t flag)
{
    std::vector<Triangle> triangles;
    std::vector<uint32_t> edgeFlags, triangleFlags;
    for (size_t t = 0; t < m_Triangles.size(); ++t)
    {
        if (m_TriangleFlags[t] & flag)
            continue;
        triangles.push_back(m_Triangles[t]);
        triangleFlags.push_back(m_TriangleFlags[t]);
        edgeFlags.insert(edgeFlags.end(), m_EdgeFlags.begin() + long(t * 3),
                         m_EdgeFlags.begin() + long(t * 3 + 3));
    }
    const int deleted = GetTriangleCount() - static_cast<int>(triangles.size());
    m_Triangles = std::move(triangles);
    m_EdgeFlags = std::move(edgeFlags);
    m_TriangleFlags = std::move(triangleFlags);
    return deleted;
}

bool MMesh::GetBounds(MVector3& lo, MVector3& hi) const
{
    if (m_Vertices.empty())
        return false;
    lo = hi = m_Vertices.front();
    for (const MVector3& v : m_Vertices)
    {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    return true;
}
