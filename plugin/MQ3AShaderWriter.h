#pragma once

#include "MStr.h"

#include <string>

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

  private:
    void WriteIndent(int count);
    void Line(int level, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
    MStr ImageName(const MStr& fname) const;

    std::string m_Out;
};
