#pragma once

#include "MStr.h"

#include <string>
#include <typeinfo>
#include <unordered_map>

class MBaseShaderNode;
class MMaterial;
class MMaterialLayer;
class MScene;

// Writes materials as shader script text.
class MQ3AShaderWriter
{
  public:
    // Every selected material of the scene, in tree order.
    void WriteScene(MScene* scene);
    void WriteMaterial(const MMaterial* material, int level);
    void WriteLayerBody(const MMaterialLayer* layer, int level);
    void WriteNode(const MBaseShaderNode* node, int level);

    const std::string& GetText() const { return m_Out; }
    void ClearText() { m_Out.clear(); }

  private:
    // The node classes the writer knows, tested in this order.
    enum class NodeKind
    {
        File,
        Anim,
        Scroll,
        Rotate,
        Scale,
        Stretch,
        Turb,
        Blend,
        AlphaFunc,
        RGBGen,
        AlphaGen,
        TCGen,
        QER,
        Surface,
        Sun,
        Sky,
        Deform,
        Verbatim,
        Other
    };
    NodeKind KindOf(const MBaseShaderNode* node);

    void WriteIndent(int count);
    void Line(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    MStr ImageName(const MStr& fname) const;

    std::string m_Out;
    std::unordered_map<const std::type_info*, NodeKind> m_Kinds;
};
