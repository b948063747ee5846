#pragma once

#include "MImage.h"
#include "MTranslator.h"

#include <cstdint>
#include <cstdio>

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
    // Decodes a JPEG held in memory, as ImportImage decodes a file; `name`
    // stands for it in messages.
    static bool ImportImageData(const uint8_t* data, size_t size, const MStr& name, MImage* image);

  private:
    // Decodes from an open stream of `size` bytes and closes it.
    static bool ReadOpened(std::FILE* file, uint64_t size, const MStr& path, MImage* image);
};
