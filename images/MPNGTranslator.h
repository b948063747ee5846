#pragma once

#include "MImage.h"
#include "MTranslator.h"

// Reads PNG images through libpng: grey, grey with alpha, palette (with
// transparency), RGB and RGBA, interlaced or not; 16-bit channels are
// reduced to 8 bits. The file's gamma is not applied, as the game does not.
class MPNGTranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(MPNGTranslator, MImageTranslator)
    MStr GetFileFilter() const override { return "PNG Files (*.PNG)|*.PNG"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override;
    bool ImportImage(MStr fileName, MImage* image) override;
    // Decodes a PNG held in memory, as ImportImage decodes a file; `name`
    // stands for it in messages.
    static bool ImportImageData(const uint8_t* data, size_t size, const MStr& name, MImage* image);
    bool ExportImage(MStr, MImage*) override { return false; }
};
