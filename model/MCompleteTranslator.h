#pragma once

#include "MTranslator.h"

// Opens and saves whole scenes as Glazen scene files (".glazen"): JSON text
// holding every object of the scene tree in tree order with its parent,
// class, name, flag word and every parameter (kind, value and keys), and each
// material's layers and each layer's nodes in order. docs/scene-format.md
// describes the format.
//
// Opening reads and checks the whole file before it touches the scene; a
// file that is damaged, cut short, of another kind or from a newer version
// is refused with a log line naming the file and the reason, and the scene
// stays as it was. Objects are made again by class name through the system
// manager's prototypes.
//
// Saving writes the whole file beside the target and renames it over the
// target, so a failed save keeps the old file. A scene holding an object
// whose class has no prototype is not saved, since that object could not be
// made again when the file is opened.
class MCompleteTranslator : public MSceneTranslator
{
  public:
    M_DECLARE_CLASS(MCompleteTranslator, MSceneTranslator)

    // The format version this translator writes, and the newest it reads.
    // Version 2 added scene objects (transforms, meshes, their materials);
    // files of version 1 read as they always did.
    static constexpr int kFormatVersion = 2;
    // Files larger than this are refused rather than read.
    static constexpr size_t kMaxFileBytes = size_t(1) << 30;

    MStr GetFileFilter() const override { return "Glazen Scene Files (*.glazen)|*.glazen"; }
    bool CanImport() const override { return true; }
    bool CanExport() const override { return true; }
    // True when the name ends in ".glazen", without regard to case.
    bool CanImportFile(MStr fileName) override;

    // Replaces the scene's contents (objects, time, pick and selection
    // modes) with the file's. False, leaving the scene unchanged, when the
    // file cannot be read or is not sound.
    bool ImportFile(MStr fileName, MScene* scene) override;
    // Saves the whole scene.
    bool ExportFile(MStr fileName, MScene* scene) override;
    // Saves one object as a scene of its own: the object at the top, the
    // objects below it in its scene's tree below it, and the layers and
    // nodes it holds. A scene given here is saved whole.
    bool ExportObject(MStr fileName, MBaseObject* object) override;

    // The scene file text for a whole scene or for one object (as
    // ExportObject writes it); false with a reason when some object could
    // not be made again from it.
    static bool WriteSceneText(MScene* scene, std::string& text, MStr& reason);
    static bool WriteObjectText(MBaseObject* object, std::string& text, MStr& reason);
    // Reads scene file text into the scene, as ImportFile does with a file.
    static bool ReadSceneText(std::string_view text, MScene* scene, MStr& reason);
};
