#pragma once

#include "MImage.h"
#include "MTranslator.h"

#include <cstdint>
#include <vector>

// Reads Targa images.
class MTGATranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(MTGATranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "Targa Files (*.TGA)|*.TGA"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override;
    bool ImportImage(MStr fileName, MImage* image) override;
    bool ExportImage(MStr, MImage*) override { return false; }
    // Decodes a Targa held in memory, as ImportImage decodes a file; `name`
    // stands for it in messages.
    static bool ImportImageData(const uint8_t* data, size_t size, const MStr& name, MImage* image);
};
