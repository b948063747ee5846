#pragma once

#include "MImage.h"
#include "MTranslator.h"

// Reads JPEG images through libjpeg.
class MJPGTranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(MJPGTranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "JPG Files (*.JPG)|*.JPG"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override;
    bool ImportImage(MStr fileName, MImage* image) override;
    bool ExportImage(MStr, MImage*) override { return false; }
};
