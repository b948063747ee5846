#pragma once

#include "MTranslator.h"

// Reads and writes Quake 3 Arena shader scripts. The translator keeps no
// state: each call reads or writes its own file (see MQ3AShaderReader and
// MQ3AShaderWriter).
class MQ3AShaderTranslator : public MMaterialTranslator
{
  public:
    M_DECLARE_CLASS(MQ3AShaderTranslator, MMaterialTranslator)
    MStr GetFileFilter() const override { return "Quake3:Arena Shader Files (*.shader)|*.shader"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return true; }
    // True when the name's extension is ".shader", without regard to case.
    bool CanImportFile(MStr fileName) override;
    bool ImportFile(MStr fileName, MScene* scene) override;
    bool ExportFile(MStr fileName, MScene* scene) override;
    bool ExportObject(MStr, MBaseObject*) override { return false; }
};
