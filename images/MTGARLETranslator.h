#pragma once

#include "MImage.h"
#include "MTranslator.h"

// Reads the Targa images the first Targa translator leaves: grey (type 3)
// and run-length encoded colour-mapped, true-colour and grey (types 9, 10
// and 11). Rows start at the bottom unless the descriptor's origin bit
// (bit 5) puts the top row first.
class MTGARLETranslator : public MImageTranslator
{
  public:
    M_DECLARE_CLASS(MTGARLETranslator, MImageTranslator)
    MStr GetFileFilter() const override
    {
        return "Targa Files, grey and run-length encoded (*.TGA)|*.TGA";
    }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return false; }
    bool CanImportFile(MStr fileName) override;
    bool ImportImage(MStr fileName, MImage* image) override;
    // Decodes a Targa held in memory, as ImportImage decodes a file; `name`
    // stands for it in messages.
    static bool ImportImageData(const uint8_t* data, size_t size, const MStr& name, MImage* image);
    bool ExportImage(MStr, MImage*) override { return false; }
};
