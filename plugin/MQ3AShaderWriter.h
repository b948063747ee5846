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
    // Every selected material of the scene, in tree order. False, after a
    // log line naming the shader, when a value cannot be written so that it
    // reads back the same.
    bool WriteScene(MScene* scene);
    void WriteMaterial(const MMaterial* material, int level);
    void WriteLayerBody(const MMaterialLayer* layer, int level);
    void WriteNode(const MBaseShaderNode* node, int level);

    const std::string& GetText() const { return m_Out; }
    void ClearText() { m_Out.clear(); }
    // True once a value could not be written.
    bool WasRefused() const { return m_Refused; }

    // A number with the given decimals when they give it back exactly, else
    // in the shortest fixed form that does.
    static MStr Num(float value, int decimals = 3);

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
    // A single word as the reader will read it back: bare, or between double
    // quotes when it holds blanks or braces or is empty.
    MStr Word(const MStr& value);
    // Text kept as it stands (the rest of a line).
    MStr Text(const MStr& value);
    void Refuse();

    std::string m_Out;
    MStr m_Shader; // the material being written, for messages
    bool m_Refused = false;
    std::unordered_map<const std::type_info*, NodeKind> m_Kinds;
};
