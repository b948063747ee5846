#pragma once

#include "MBaseObject.h"

class MImage;
class MScene;

// Root of the file translators the system manager keeps.
class MTranslator : public MBaseObject
{
  public:
    MStr ClassName() const override { return "MTranslator"; }
    MStr ParentClassName() const override { return "MBaseObject"; }
    // "Description|pattern", for file dialogs.
    virtual MStr GetFileFilter() const = 0;
    virtual bool CanImport() const = 0;
    virtual bool CanExport() const = 0;
    virtual bool CanImportFile(MStr fileName) = 0;
};

// Reads (and possibly writes) images.
class MImageTranslator : public MTranslator
{
  public:
    MStr ClassName() const override { return "MImageTranslator"; }
    MStr ParentClassName() const override { return "MTranslator"; }
    virtual bool ImportImage(MStr fileName, MImage* image) = 0;
    virtual bool ExportImage(MStr fileName, MImage* image) = 0;
};

// Reads and writes materials to and from a scene (shader scripts).
class MMaterialTranslator : public MTranslator
{
  public:
    MStr ClassName() const override { return "MMaterialTranslator"; }
    MStr ParentClassName() const override { return "MTranslator"; }
    virtual bool ImportFile(MStr fileName, MScene* scene) = 0;
    virtual bool ExportFile(MStr fileName, MScene* scene) = 0;
    virtual bool ExportObject(MStr fileName, MBaseObject* object) = 0;
};

// Opens and saves whole scenes.
class MSceneTranslator : public MMaterialTranslator
{
  public:
    MStr ClassName() const override { return "MSceneTranslator"; }
    MStr ParentClassName() const override { return "MMaterialTranslator"; }
};
