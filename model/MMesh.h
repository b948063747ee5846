#pragma once

#include "MSceneObject.h"
#include "MVector3.h"

#include <array>
#include <vector>

// A triangle mesh: vertices, triangles of three vertex indices, and a flag
// word per vertex, per edge (three a triangle: edge k runs from corner k to
// corner k+1) and per triangle for component selection (0x100 on vertices,
// 0x200 on edges, 0x400 on triangles).
class MMesh : public MSceneObject
{
  public:
    using Triangle = std::array<int, 3>;

    MMesh();
    M_DECLARE_CLASS_NAMES(MMesh, MSceneObject)
    MBaseObject* CreateNew() const override;

    int AddVertex(const MVector3& v);
    // False (nothing added) when an index is not a vertex.
    bool AddTriangle(int a, int b, int c);
    // Replaces everything; false (nothing changed) when a triangle names a
    // vertex that is not there or the flag lists do not match the counts
    // (empty flag lists are all clear).
    bool SetData(std::vector<MVector3> vertices, std::vector<Triangle> triangles,
                 std::vector<uint32_t> vertexFlags = {}, std::vector<uint32_t> edgeFlags = {},
                 std::vector<uint32_t> triangleFlags = {});

    const std::vector<MVector3>& GetVertices() const { return m_Vertices; }
    const std::vector<Triangle>& GetTriangles() const { return m_Triangles; }
    const std::vector<uint32_t>& GetVertexFlags() const { return m_VertexFlags; }
    const std::vector<uint32_t>& GetEdgeFlags() const { return m_EdgeFlags; }
    const std::vector<uint32_t>& GetTriangleFlags() const { return m_TriangleFlags; }
    int GetVertexCount() const { return static_cast<int>(m_Vertices.size()); }
    int GetTriangleCount() const { return static_cast<int>(m_Triangles.size()); }

    bool SetComponentFlag(uint32_t flag, int index, bool on) override;
    // Clears a flag on every component.
    void ClearComponentFlags(uint32_t flags);

    // Deletes the vertices that carry the flag and every triangle that uses
    // one of them; the other vertices are renumbered. Returns the vertices
    // deleted.
    int DeleteVertexFlag(uint32_t flag);
    // Deletes the triangles that carry the flag; vertices stay. Returns the
    // triangles deleted.
    int DeleteTriangleFlag(uint32_t flag);

    // The box around the vertices in the mesh's own space; false when empty.
    bool GetBounds(MVector3& lo, MVector3& hi) const;

  private:
    std::vector<MVector3> m_Vertices;
    std::vector<Triangle> m_Triangles;
    std::vector<uint32_t> m_VertexFlags;
    std::vector<uint32_t> m_EdgeFlags;
    std::vector<uint32_t> m_TriangleFlags;
};
