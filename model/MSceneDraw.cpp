// The scene's own drawing: materials as preview surfaces in the XY plane,
// laid out in rows, each drawn with all its stages the way the swatches set
// them up (one pass a stage, blended in order) and animated at the scene's
// time; scene objects with meshes drawn with their material. Only the cells
// that the view can see are visited, so a frame costs what it shows.

#include "MImage.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMesh.h"
#include "MScene.h"
#include "MSceneLayout.h"
#include "MSelectionItem.h"
#include "MShaderMath.h"
#include "MShaderNodes.h"
#include "MStageState.h"
#include "MTextureCache.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace
{
constexpr float kMinSurface = 64.0f;
constexpr float kMaxSurface = 256.0f;
constexpr float kDefaultSurface = 128.0f;
// Vertex deformation can lift a surface off its plane; cells this far
// outside the view are still visited.
constexpr float kDeformMargin = 64.0f;
constexpr int kDeformSteps = 16;

using Mat4 = std::array<double, 16>; // column-major

Mat4 Multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
        {
            double s = 0;
            for (int k = 0; k < 4; ++k)
                s += a[size_t(k * 4 + row)] * b[size_t(c * 4 + k)];
            r[size_t(c * 4 + row)] = s;
        }
    return r;
}

bool Invert(const Mat4& m, Mat4& out)
{
    // Gauss-Jordan elimination with partial pivoting on a row-major copy.
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            a[r][c] = m[size_t(c * 4 + r)];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    for (int c = 0; c < 4; ++c)
    {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-30)
            return false;
        if (pivot != c)
            for (int k = 0; k < 8; ++k)
                std::swap(a[c][k], a[pivot][k]);
        const double inv = 1.0 / a[c][c];
        for (int k = 0; k < 8; ++k)
            a[c][k] *= inv;
        for (int r = 0; r < 4; ++r)
            if (r != c && a[r][c] != 0.0)
            {
                const double f = a[r][c];
                for (int k = 0; k < 8; ++k)
                    a[r][k] -= f * a[c][k];
            }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[size_t(c * 4 + r)] = a[r][c + 4];
    return true;
}

std::array<double, 4> Transform(const Mat4& m, double x, double y, double z, double w = 1.0)
{
    std::array<double, 4> r{};
    for (int row = 0; row < 4; ++row)
        r[size_t(row)] = m[size_t(row)] * x + m[size_t(4 + row)] * y + m[size_t(8 + row)] * z +
                         m[size_t(12 + row)] * w;
    return r;
}

// The view as the current matrices give it: the clip matrix and the part of
// the XY plane it can see.
struct ViewVolume
{
    Mat4 clip{};
    bool bounded = false; // the box below is known
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool empty = false; // the view does not reach the plane at all

    void Read()
    {
        Mat4 projection{}, modelview{};
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview.data());
        clip = Multiply(projection, modelview);
        Mat4 inverse{};
        if (!Invert(clip, inverse))
            return;
        // The corners of the view volume in the world, and where its edges
        // cross the plane z = 0.
        std::array<std::array<double, 3>, 8> corner{};
        for (int i = 0; i < 8; ++i)
        {
            const auto p = Transform(inverse, (i & 1) ? 1 : -1, (i & 2) ? 1 : -1, (i & 4) ? 1 : -1);
            if (std::fabs(p[3]) < 1e-300)
                return;
            corner[size_t(i)] = {p[0] / p[3], p[1] / p[3], p[2] / p[3]};
        }
        bool any = false;
        auto addPoint = [&](double x, double y)
        {
            if (!std::isfinite(x) || !std::isfinite(y))
                return;
            if (!any)
            {
                minX = maxX = x;
                minY = maxY = y;
                any = true;
                return;
            }
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        };
        for (int i = 0; i < 8; ++i)
            for (int bit : {1, 2, 4})
            {
                const int j = i | bit;
                if (j == i)
                    continue;
                const auto& a = corner[size_t(i)];
                const auto& b = corner[size_t(j)];
                // Every point of the edge within the deformation margin of
                // the plane counts.
                const double lo = std::min(a[2], b[2]), hi = std::max(a[2], b[2]);
                if (hi < -kDeformMargin || lo > kDeformMargin)
                    continue;
                const double dz = b[2] - a[2];
                for (double z : {-double(kDeformMargin), 0.0, double(kDeformMargin)})
                {
                    if (std::fabs(dz) < 1e-12)
                    {
                        addPoint(a[0], a[1]);
                        addPoint(b[0], b[1]);
                        break;
                    }
                    const double t = std::clamp((z - a[2]) / dz, 0.0, 1.0);
                    addPoint(a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t);
                }
            }
        // Corners lying within the margin count as they are.
        for (const auto& c : corner)
            if (std::fabs(c[2]) <= kDeformMargin)
                addPoint(c[0], c[1]);
        bounded = true;
        empty = !any;
    }

    // False when the box (lo..hi) lies wholly outside one clip plane.
    bool Sees(const MVector3& lo, const MVector3& hi) const
    {
        int outside[6] = {0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 8; ++i)
        {
            const auto p = Transform(clip, (i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y,
                                     (i & 4) ? hi.z : lo.z);
            outside[0] += p[0] < -p[3];
            outside[1] += p[0] > p[3];
            outside[2] += p[1] < -p[3];
            outside[3] += p[1] > p[3];
            outside[4] += p[2] < -p[3];
            outside[5] += p[2] > p[3];
        }
        for (int n : outside)
            if (n == 8)
                return false;
        return true;
    }
};

// The texture name a material is sized from: the first stage's map (or the
// first frame of an animated map), else the editor image.
MStr FirstTextureName(const MMaterial* material)
{
    const int layers = material->GetLayerCount();
    for (int i = 1; i < layers; ++i)
        if (const MMaterialLayer* layer = material->GetLayer(i))
            for (MBaseObject* o : layer->GetShaderList())
            {
                if (auto* file = dynamic_cast<MFileShaderNode*>(o))
                    return file->GetParamByName("Fname");
                if (auto* anim = dynamic_cast<MAnimFileShaderNode*>(o))
                    return anim->GetParamByName("Fname0");
            }
    if (layers > 0)
        if (const MMaterialLayer* options = material->GetLayer(0))
            for (MBaseObject* o : options->GetShaderList())
                if (auto* qer = dynamic_cast<MQERadiantShaderNode*>(o))
                {
                    const MStr image = qer->GetParamByName("qer_editorimage");
                    if (!image.IsEmpty())
                        return image;
                }
    return MStr();
}

// A deformation of the surface's vertices, read from the option layer.
struct Deform
{
    enum Kind
    {
        None,
        Wave,
        Bulge,
        Move,
    } kind = None;
    MWave wave;
    double spread = 0;
    double bulgeWidth = 0, bulgeHeight = 0, bulgeSpeed = 0;
    MVector3 move;
};

std::vector<Deform> ReadDeforms(const MMaterial* material)
{
    std::vector<Deform> out;
    if (material->GetLayerCount() == 0)
        return out;
    const MMaterialLayer* options = material->GetLayer(0);
    if (!options)
        return out;
    auto finite = [](double v) { return std::isfinite(v) ? v : 0.0; };
    for (MBaseObject* o : options->GetShaderList())
    {
        auto* node = dynamic_cast<MDeformVertsShaderNode*>(o);
        if (!node)
            continue;
        const MStr type = node->GetParamByName("Ty");
        Deform d;
        d.wave = ReadWave(node);
        if (type.EqualsNoCase("wave"))
        {
            d.kind = Deform::Wave;
            const double div = finite(node->GetParamFloat("div"));
            d.spread = 1.0 / (div == 0.0 ? 100.0 : div);
        }
        else if (type.EqualsNoCase("bulge"))
        {
            d.kind = Deform::Bulge;
            d.bulgeWidth = finite(node->GetParamFloat("bW"));
            d.bulgeHeight = finite(node->GetParamFloat("bH"));
            d.bulgeSpeed = finite(node->GetParamFloat("bS"));
        }
        else if (type.EqualsNoCase("move"))
        {
            d.kind = Deform::Move;
            d.move = MVector3(float(finite(node->GetParamFloat("mX"))),
                              float(finite(node->GetParamFloat("mY"))),
                              float(finite(node->GetParamFloat("mZ"))));
        }
        if (d.kind != Deform::None)
            out.push_back(d);
    }
    return out;
}

MVector3 Deformed(const std::vector<Deform>& deforms, const MVector3& p, float s, double seconds)
{
    MVector3 r = p;
    for (const Deform& d : deforms)
    {
        double v = 0;
        switch (d.kind)
        {
        case Deform::Wave:
        {
            MWave w = d.wave;
            w.phase += double(p.x + p.y + p.z) * d.spread;
            v = EvaluateWave(w, seconds);
            r.z += float(std::isfinite(v) ? v : 0.0);
            break;
        }
        case Deform::Bulge:
            v = std::sin(double(s) * d.bulgeWidth + seconds * d.bulgeSpeed) * d.bulgeHeight;
            r.z += float(std::isfinite(v) ? v : 0.0);
            break;
        case Deform::Move:
            v = EvaluateWave(d.wave, seconds);
            if (std::isfinite(v))
                r += d.move * float(v);
            break;
        case Deform::None:
            break;
        }
    }
    return r;
}

// A surface from its top-left corner, texture (0, 0) there and (1, 1) at the
// bottom-right; subdivided when it deforms. Faces +Z.
void SurfaceQuads(const MVector3& corner, float w, float h, const std::vector<Deform>& deforms,
                  double seconds)
{
    glNormal3f(0.0f, 0.0f, 1.0f);
    if (deforms.empty())
    {
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(corner.x, corner.y, corner.z);
        glTexCoord2f(0, 1);
        glVertex3f(corner.x, corner.y - h, corner.z);
        glTexCoord2f(1, 1);
        glVertex3f(corner.x + w, corner.y - h, corner.z);
        glTexCoord2f(1, 0);
        glVertex3f(corner.x + w, corner.y, corner.z);
        glEnd();
        return;
    }
    const int n = kDeformSteps;
    for (int j = 0; j < n; ++j)
    {
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= n; ++i)
        {
            const float s = float(i) / float(n);
            for (int k : {j, j + 1})
            {
                const float t = float(k) / float(n);
                const MVector3 p = Deformed(
                    deforms, MVector3(corner.x + s * w, corner.y - t * h, corner.z), s, seconds);
                glTexCoord2f(s, t);
                glVertex3f(p.x, p.y, p.z);
            }
        }
        glEnd();
    }
}

// Each stage draws with a fresh texture matrix from the base state, its
// changes undone after it.
void OpenStage()
{
    OpenStageBracket(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_COLOR_BUFFER_BIT |
                         GL_TEXTURE_BIT,
                     true);
    StageBaseState();
}

// The view's texture filter on the bound texture for one stage. Textures are
// shared with the swatches, so the filters the texture had are put back
// when the stage is drawn; a mipmapped texture keeps its mipmaps.
class FilterScope
{
  public:
    explicit FilterScope(int filter)
    {
        if (!glIsEnabled(GL_TEXTURE_2D))
            return;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &m_Min);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &m_Mag);
        const bool nearest = filter == GL_NEAREST;
        const bool mipmapped = m_Min != GL_NEAREST && m_Min != GL_LINEAR;
        const GLint min = mipmapped
                              ? (nearest ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR)
                              : (nearest ? GL_NEAREST : GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : GL_LINEAR);
        m_Set = true;
    }
    ~FilterScope()
    {
        if (!m_Set)
            return;
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, m_Min);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, m_Mag);
    }
    FilterScope(const FilterScope&) = delete;
    FilterScope& operator=(const FilterScope&) = delete;

  private:
    GLint m_Min = GL_LINEAR, m_Mag = GL_LINEAR;
    bool m_Set = false;
};

// A stage whose map is one the game makes itself ($lightmap, $whiteimage):
// on a preview it is white, so a lightmap stage's blend leaves the stages
// below as they are rather than covering them with the missing pattern.
bool UsesEngineImage(const MMaterialLayer* layer)
{
    for (MBaseObject* o : layer->GetShaderList())
        if (auto* file = dynamic_cast<MFileShaderNode*>(o))
        {
            const MStr name = file->GetParamByName("Fname");
            if (name.GetLength() > 0 && name.str()[0] == '$')
                return true;
        }
    return false;
}

// Every stage of a material, one pass each, blended in order. Stages that
// set nothing up are skipped; a material without any shows its editor image.
void DrawStages(MMaterial* material, const MVector3& corner, float w, float h,
                const std::vector<Deform>& deforms, double seconds, int filter)
{
    bool drew = false;
    const int layers = material->GetLayerCount();
    for (int i = 1; i < layers; ++i)
    {
        MMaterialLayer* layer = material->GetLayer(i);
        if (!layer || !layer->HasFlags(OBJ_VISIBLE))
            continue;
        OpenStage();
        if (ApplyLayerState(layer))
        {
            if (UsesEngineImage(layer))
                glDisable(GL_TEXTURE_2D);
            const FilterScope scope(filter);
            SurfaceQuads(corner, w, h, deforms, seconds);
            drew = true;
        }
        CloseStageBracket();
    }
    if (drew)
        return;
    OpenStage();
    int result = 0;
    if (layers > 0)
        if (MMaterialLayer* options = material->GetLayer(0))
            for (MBaseObject* o : options->GetShaderList())
                if (auto* qer = dynamic_cast<MQERadiantShaderNode*>(o))
                    result |= qer->SetOpenGLParams();
    if (!result)
        glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
    {
        const FilterScope scope(filter);
        SurfaceQuads(corner, w, h, deforms, seconds);
    }
    CloseStageBracket();
}

void Outline(const MVector3& corner, float w, float h)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POLYGON_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glLineWidth(2.0f);
    glColor3f(1.0f, 0.85f, 0.2f);
    const float z = corner.z + 0.5f;
    glBegin(GL_LINE_LOOP);
    glVertex3f(corner.x, corner.y, z);
    glVertex3f(corner.x, corner.y - h, z);
    glVertex3f(corner.x + w, corner.y - h, z);
    glVertex3f(corner.x + w, corner.y, z);
    glEnd();
    glPopAttrib();
}

// Light from the viewer, for the lit modes.
void SetUpLight()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat direction[4] = {0.3f, 0.4f, 1.0f, 0.0f};
    const GLfloat diffuse[4] = {0.9f, 0.9f, 0.9f, 1.0f};
    const GLfloat ambient[4] = {0.25f, 0.25f, 0.25f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, direction);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glPopMatrix();
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
}

void DrawMesh(const MMesh& mesh, bool textured)
{
    const auto& v = mesh.GetVertices();
    glBegin(GL_TRIANGLES);
    for (const MMesh::Triangle& t : mesh.GetTriangles())
    {
        const MVector3& a = v[size_t(t[0])];
        const MVector3& b = v[size_t(t[1])];
        const MVector3& c = v[size_t(t[2])];
        const MVector3 n = (b - a).Cross(c - a).Normalised();
        glNormal3f(n.x, n.y, n.z);
        const MVector3* corners[3] = {&a, &b, &c};
        for (const MVector3* p : corners)
        {
            // Planar texture coordinates, 64 units a repeat.
            if (textured)
                glTexCoord2f(p->x / 64.0f, -p->y / 64.0f);
            glVertex3f(p->x, p->y, p->z);
        }
    }
    glEnd();
}

// Names one component kind of a mesh for picking: name stack (object,
// component index).
void NameComponents(const MMesh& mesh, int kind)
{
    const auto& v = mesh.GetVertices();
    const auto& tris = mesh.GetTriangles();
    if (kind == COMPONENT_VERTEX)
    {
        for (size_t i = 0; i < v.size(); ++i)
        {
            glPushName(GLuint(i));
            glBegin(GL_POINTS);
            glVertex3f(v[i].x, v[i].y, v[i].z);
            glEnd();
            glPopName();
        }
        return;
    }
    for (size_t t = 0; t < tris.size(); ++t)
    {
        if (kind == COMPONENT_EDGE)
        {
            for (int k = 0; k < 3; ++k)
            {
                const MVector3& a = v[size_t(tris[t][size_t(k)])];
                const MVector3& b = v[size_t(tris[t][size_t((k + 1) % 3)])];
                glPushName(GLuint(t * 3 + size_t(k)));
                glBegin(GL_LINES);
                glVertex3f(a.x, a.y, a.z);
                glVertex3f(b.x, b.y, b.z);
                glEnd();
                glPopName();
            }
            continue;
        }
        glPushName(GLuint(t));
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < 3; ++k)
        {
            const MVector3& p = v[size_t(tris[t][size_t(k)])];
            glVertex3f(p.x, p.y, p.z);
        }
        glEnd();
        glPopName();
    }
}

MMesh* MeshOf(MSceneObject* obj)
{
    if (auto* mesh = dynamic_cast<MMesh*>(obj->GetGeometry()))
        return mesh;
    return dynamic_cast<MMesh*>(obj);
}
} // namespace

MVector3 MSceneLayout::CellCorner(size_t i) const
{
    const size_t c = size_t(std::max(1, columns));
    return MVector3(float(i % c) * MScene::kSurfacePitch, -float(i / c) * MScene::kSurfacePitch,
                    0.0f);
}

void MSceneLayout::EnsureSize(size_t i)
{
    if (widths[i] > 0)
        return;
    float w = kDefaultSurface, h = kDefaultSurface;
    const MStr name = FirstTextureName(materials[i]);
    if (!name.IsEmpty())
    {
        MTextureCache& cache = MTextureCache::Instance();
        const MStr path = cache.ResolveImageName(name);
        if (const MImage* image = path.IsEmpty() ? nullptr : cache.GetImage(path))
        {
            w = float(image->GetWidth());
            h = float(image->GetHeight());
        }
    }
    widths[i] = std::clamp(w, kMinSurface, kMaxSurface);
    heights[i] = std::clamp(h, kMinSurface, kMaxSurface);
}

long MSceneLayout::Find(const MBaseObject* material) const
{
    for (size_t i = 0; i < materials.size(); ++i)
        if (materials[i] == material)
            return long(i);
    return -1;
}

namespace
{
template <class Ptr> MSceneLayout& LayoutOf(MScene& scene, Ptr& layout)
{
    if (layout && layout->generation == scene.GetGeneration())
        return *layout;
    if (!layout)
        layout.reset(new MSceneLayout());
    MSceneLayout& l = *layout;
    l.generation = scene.GetGeneration();
    l.materials.clear();
    l.sceneObjects.clear();
    scene.ForEachNode(
        [&l](MBaseObjectTreeNode* n)
        {
            MBaseObject* obj = n->GetObject();
            if (auto* material = dynamic_cast<MMaterial*>(obj))
                l.materials.push_back(material);
            else if (auto* so = dynamic_cast<MSceneObject*>(obj))
                l.sceneObjects.push_back(so);
        });
    l.widths.assign(l.materials.size(), 0.0f);
    l.heights.assign(l.materials.size(), 0.0f);
    l.columns = std::max(1, int(std::ceil(std::sqrt(double(l.materials.size())))));
    return l;
}

// The hits of the selection buffer as selection items: the nearest one for
// a click, every one for a box (components of one object gathered in one
// item).
void CollectHits(int hitCount, const std::vector<MBaseObject*>& named, bool box,
                 MBaseObjectList* hits)
{
    GLvoid* pointer = nullptr;
    glGetPointerv(GL_SELECTION_BUFFER_POINTER, &pointer);
    GLint size = 0;
    glGetIntegerv(GL_SELECTION_BUFFER_SIZE, &size);
    const auto* buffer = static_cast<const GLuint*>(pointer);
    if (!buffer || size <= 0 || hitCount <= 0 || !hits)
        return;
    struct Hit
    {
        MBaseObject* object;
        int component; // -1 for none
        GLuint depth;
    };
    std::vector<Hit> found;
    size_t pos = 0;
    for (int h = 0; h < hitCount; ++h)
    {
        if (pos + 3 > size_t(size))
            break;
        const GLuint count = buffer[pos];
        const GLuint depth = buffer[pos + 1];
        if (count > size_t(size) - pos - 3)
            break;
        const GLuint* names = buffer + pos + 3;
        pos += 3 + count;
        if (count < 1 || names[0] < 1 || names[0] > named.size())
            continue;
        found.push_back({named[names[0] - 1], count >= 2 ? int(names[1]) : -1, depth});
    }
    if (found.empty())
        return;
    if (!box)
    {
        const Hit nearest =
            *std::min_element(found.begin(), found.end(),
                              [](const Hit& a, const Hit& b) { return a.depth < b.depth; });
        found.assign(1, nearest);
    }
    std::map<MBaseObject*, MSelectionItem*> items;
    for (const Hit& hit : found)
    {
        MSelectionItem*& item = items[hit.object];
        if (!item)
        {
            item = new MSelectionItem(hit.object);
            hits->Add(item);
        }
        if (hit.component >= 0)
        {
            const int mode = hit.object->GetOwnerScene()
                                 ? hit.object->GetOwnerScene()->GetSelectionMode()
                                 : COMPONENT_VERTEX;
            item->AddComponent(mode, hit.component);
        }
    }
}
} // namespace

void MScene::LayoutDeleter::operator()(MSceneLayout* layout) const
{
    delete layout;
}

MTransformObject* MScene::GetTransform(MBaseObject* obj) const
{
    auto* so = dynamic_cast<MSceneObject*>(obj);
    return so ? so->GetTransform() : nullptr;
}

bool MScene::GetMaterialSurface(const MBaseObject* material, MVector3& lo, MVector3& hi)
{
    MSceneLayout& layout = LayoutOf(*this, m_Layout);
    const long i = layout.Find(material);
    if (i < 0)
        return false;
    layout.EnsureSize(size_t(i));
    const MVector3 corner = layout.CellCorner(size_t(i));
    lo = MVector3(corner.x, corner.y - layout.heights[size_t(i)], 0.0f);
    hi = MVector3(corner.x + layout.widths[size_t(i)], corner.y, 0.0f);
    return true;
}

MVector3 MScene::GetSelectionCentre(int kind)
{
    bool any = false;
    MVector3 lo, hi;
    auto add = [&](const MVector3& p)
    {
        if (!any)
            lo = hi = p;
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        any = true;
    };
    const uint32_t componentFlag = ComponentFlagOfKind(kind);
    for (MBaseObject* obj : m_Selected)
    {
        MVector3 a, b;
        if (kind < 0 && GetMaterialSurface(obj, a, b))
        {
            add(a);
            add(b);
            continue;
        }
        auto* so = dynamic_cast<MSceneObject*>(obj);
        if (!so)
            continue;
        const MTransformObject* t = so->GetTransform();
        const MMesh* mesh = MeshOf(so);
        if (!mesh || mesh->GetVertexCount() == 0)
        {
            if (kind < 0)
                add(t ? t->GetTranslateKey(m_SceneTime) : MVector3());
            continue;
        }
        const auto& v = mesh->GetVertices();
        auto addVertex = [&](int i)
        { add(t ? t->Apply(v[size_t(i)], m_SceneTime) : v[size_t(i)]); };
        if (kind < 0)
        {
            for (int i = 0; i < mesh->GetVertexCount(); ++i)
                addVertex(i);
            continue;
        }
        if (kind == COMPONENT_VERTEX)
            for (int i = 0; i < mesh->GetVertexCount(); ++i)
                if (mesh->GetVertexFlags()[size_t(i)] & componentFlag)
                    addVertex(i);
        const auto& tris = mesh->GetTriangles();
        for (size_t tr = 0; tr < tris.size(); ++tr)
            for (int k = 0; k < 3; ++k)
            {
                const bool flagged =
                    kind == COMPONENT_TRIANGLE
                        ? (mesh->GetTriangleFlags()[tr] & componentFlag) != 0
                        : kind == COMPONENT_EDGE &&
                              (mesh->GetEdgeFlags()[tr * 3 + size_t(k)] & componentFlag);
                if (flagged)
                {
                    addVertex(tris[tr][size_t(k)]);
                    if (kind == COMPONENT_EDGE)
                        addVertex(tris[tr][size_t((k + 1) % 3)]);
                }
            }
    }
    return any ? (lo + hi) * 0.5f : MVector3();
}

void MScene::DrawScene(const MSceneViewFlags& flags, MBaseObjectList* hits)
{
    MSceneLayout& layout = LayoutOf(*this, m_Layout);
    GLint renderMode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &renderMode);
    const bool picking = m_PickMode != 0;
    const bool selecting = picking && renderMode == GL_SELECT;
    const int mode = flags.shadingMode;
    const bool wireframe = mode == SHADE_WIREFRAME;
    const bool textured = !picking && (mode == SHADE_TEXTURED || mode == SHADE_LIT_TEXTURED);
    const bool lit =
        !picking && (mode == SHADE_FLAT || mode == SHADE_SMOOTH || mode == SHADE_LIT_TEXTURED);
    const double seconds = SceneSeconds(m_SceneTime);

    ViewVolume volume;
    volume.Read();
    m_LastDrawn = 0;
    std::vector<MBaseObject*> named;
    if (selecting)
    {
        glInitNames();
        glPushName(0);
    }
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_DEPTH_BUFFER_BIT |
                 GL_POLYGON_BIT | GL_LINE_BIT | GL_POINT_BIT | GL_COLOR_BUFFER_BIT);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    // A click inside a surface picks it in wireframe too.
    if (selecting)
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (lit)
    {
        SetUpLight();
        glShadeModel(mode == SHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    }

    // The cells the view can reach.
    const long count = long(layout.materials.size());
    const long columns = layout.columns;
    const long rows = count > 0 ? (count + columns - 1) / columns : 0;
    long col0 = 0, col1 = columns - 1, row0 = 0, row1 = rows - 1;
    if (volume.bounded)
    {
        if (volume.empty)
            col1 = row1 = -1;
        else
        {
            const double pitch = kSurfacePitch;
            auto clampTo = [](double v, long hi) { return long(std::clamp(v, -1.0, double(hi))); };
            col0 = std::max(0L, clampTo(std::floor(volume.minX / pitch) - 1, columns));
            col1 = std::min(columns - 1, clampTo(std::floor(volume.maxX / pitch) + 1, columns));
            row0 = std::max(0L, clampTo(std::floor(-volume.maxY / pitch) - 1, rows));
            row1 = std::min(rows - 1, clampTo(std::floor(-volume.minY / pitch) + 1, rows));
        }
    }
    for (long row = row0; row <= row1; ++row)
        for (long col = col0; col <= col1; ++col)
        {
            const long i = row * columns + col;
            if (i >= count)
                break;
            MMaterial* material = layout.materials[size_t(i)];
            if (!material->HasFlags(OBJ_VISIBLE))
                continue;
            layout.EnsureSize(size_t(i));
            const float w = layout.widths[size_t(i)];
            const float h = layout.heights[size_t(i)];
            const MVector3 corner = layout.CellCorner(size_t(i));
            const std::vector<Deform> deforms = ReadDeforms(material);
            const float margin = deforms.empty() ? 0.5f : kDeformMargin;
            if (!volume.Sees(MVector3(corner.x - margin, corner.y - h - margin, -margin),
                             MVector3(corner.x + w + margin, corner.y + margin, margin)))
                continue;
            const bool selected = material->HasFlags(OBJ_SELECTED);
            ++m_LastDrawn;
            if (selecting)
            {
                named.push_back(material);
                glLoadName(GLuint(named.size()));
                SurfaceQuads(corner, w, h, deforms, seconds);
                continue;
            }
            if (textured)
                DrawStages(material, corner, w, h, deforms, seconds, flags.textureFilter);
            else
            {
                if (wireframe && selected)
                    glColor3f(1.0f, 0.85f, 0.2f);
                else
                    glColor3f(0.75f, 0.75f, 0.75f);
                SurfaceQuads(corner, w, h, deforms, seconds);
            }
            if (selected && !wireframe)
                Outline(corner, w, h);
        }

    // Scene objects with meshes.
    for (MSceneObject* obj : layout.sceneObjects)
    {
        if (!obj->HasFlags(OBJ_VISIBLE))
            continue;
        const MMesh* mesh = MeshOf(obj);
        if (!mesh || mesh->GetTriangleCount() + mesh->GetVertexCount() == 0)
            continue;
        ++m_LastDrawn;
        glPushMatrix();
        float m[16];
        if (const MTransformObject* t = obj->GetTransform())
        {
            t->GetMatrix(m_SceneTime, m);
            glMultMatrixf(m);
        }
        if (selecting)
        {
            named.push_back(obj);
            glLoadName(GLuint(named.size()));
            if (m_SelectionMode >= COMPONENT_VERTEX && m_SelectionMode <= COMPONENT_TRIANGLE)
                NameComponents(*mesh, m_SelectionMode);
            else
                DrawMesh(*mesh, false);
            glPopMatrix();
            continue;
        }
        MMaterial* material = obj->GetMaterial();
        if (textured && material && material->GetLayerCount() > 1)
        {
            for (int i = 1; i < material->GetLayerCount(); ++i)
            {
                MMaterialLayer* layer = material->GetLayer(i);
                if (!layer || !layer->HasFlags(OBJ_VISIBLE))
                    continue;
                OpenStage();
                if (ApplyLayerState(layer))
                {
                    const FilterScope scope(flags.textureFilter);
                    DrawMesh(*mesh, true);
                }
                CloseStageBracket();
            }
        }
        else
        {
            if (obj->HasFlags(OBJ_SELECTED))
                glColor3f(1.0f, 0.85f, 0.2f);
            else
                glColor3f(0.75f, 0.75f, 0.75f);
            DrawMesh(*mesh, false);
        }
        // Flagged vertices show as points.
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 0.3f, 0.3f);
        glBegin(GL_POINTS);
        for (int i = 0; i < mesh->GetVertexCount(); ++i)
            if (mesh->GetVertexFlags()[size_t(i)] & COMPONENT_FLAG_VERTEX)
            {
                const MVector3& p = mesh->GetVertices()[size_t(i)];
                glVertex3f(p.x, p.y, p.z);
            }
        glEnd();
        glPopAttrib();
        glPopMatrix();
    }
    glPopAttrib();

    if (selecting)
    {
        const GLint hitCount = glRenderMode(GL_RENDER);
        CollectHits(hitCount, named, m_PickMode == 3 || m_PickMode == 4, hits);
    }
}
