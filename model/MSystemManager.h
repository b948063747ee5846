#pragma once

#include "MBaseObject.h"
#include "MStrList.h"

#include <cstdarg>
#include <functional>
#include <memory>
#include <vector>

class MScene;
class MTranslator;
class MImageTranslator;
class MMaterialTranslator;
class MSceneTranslator;

// Where log lines go: the console, the bottom log field, a test's buffer.
class MOutputSink
{
  public:
    virtual ~MOutputSink() = default;
    virtual void WriteLine(const char* line) = 0;
};

// Kinds of translator, for the per-kind look-ups.
enum MTranslatorKind : int
{
    TRANSLATOR_IMAGE = 0,
    TRANSLATOR_MATERIAL = 1,
    TRANSLATOR_SCENE = 2,
};

// The library's one system manager: the log, the plug-in loader, the
// translator registry, the class prototypes, the image search places and the
// scene. The program makes it and announces it with SetSystemManager.
class MSystemManager : public MBaseObject
{
  public:
    MSystemManager();
    ~MSystemManager() override;
    MStr ClassName() const override { return "MSystemManager"; }
    MStr ParentClassName() const override { return "MBaseObject"; }
    MBaseObject* CreateNew() const override { return nullptr; }

    // The log. Every line goes to the sinks given to SetConsoleOutput.
    void LogOutput(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void LogOutputV(const char* fmt, va_list args);
    void LogLine(const MStr& line);
    void SetConsoleOutput(MOutputSink* first = nullptr, MOutputSink* second = nullptr);
    // A sink that receives every line whatever SetConsoleOutput says (the
    // editor's log file); null to stop.
    void SetLogFileOutput(MOutputSink* sink) { m_FileSink = sink; }
    // Lines written since the manager was made.
    long GetLogLineCount() const { return m_LogLines; }

    // The folder plug-ins and preferences are found in, ending in '/': by
    // default the folder of the running executable.
    MStr GetProgramFolder() const { return m_ProgramFolder; }
    void SetProgramFolder(const MStr& folder);
    static MStr ExecutableFolder();

    // Loads every file of the program folder whose name matches the pattern
    // (without regard to case, '*' and '?' wildcards), in name order. With
    // log set, each load is logged; with registerTranslators set, each
    // plug-in's translators are registered. A file that fails at any step is
    // logged with the reason and skipped. Returns the count loaded.
    int FindAndLoadDLLs(const MStr& pattern, bool log, bool registerTranslators);
    int GetLoadedModuleCount() const { return static_cast<int>(m_Modules.size()); }

    // Translator registry. The manager keeps a copy of its own (CreateNew) of
    // the object it is handed. Returns 1 when registered, 0 otherwise.
    int RegisterImageTranslator(MImageTranslator* translator);
    int RegisterMaterialTranslator(MMaterialTranslator* translator);
    int RegisterSceneTranslator(MSceneTranslator* translator);

    int GetTranslatorCount(int kind) const;
    // 1-based, as file dialogs number their filters; null out of range.
    MTranslator* GetTranslatorFromIndex(int kind, int index) const;
    MImageTranslator* GetImageTranslator(int index) const;
    MMaterialTranslator* GetMaterialTranslator(int index) const;
    MSceneTranslator* GetSceneTranslator(int index) const;
    MImageTranslator* FindImageTranslatorThatImports(const MStr& fileName) const;
    MMaterialTranslator* FindMaterialTranslatorThatImports(const MStr& fileName) const;
    MSceneTranslator* FindSceneTranslatorThatImports(const MStr& fileName) const;
    MTranslator* FindTranslatorByClassName(const MStr& className) const;
    // "description|pattern|description|pattern", in registration order.
    MStr CreateImageTranslatorFilterString() const;
    MStr CreateMaterialTranslatorFilterString() const;
    MStr CreateSceneTranslatorFilterString() const;
    // The scene translators' entries, then the material translators'.
    MStr CreateSceneAndMatTranslatorFilterString() const;

    // One prototype object per class; the manager holds a reference on each.
    // A second prototype of a class replaces the first.
    void RegisterPrototype(MBaseObject* prototype);
    MBaseObject* FindPrototype(const MStr& className) const;
    // A new object of the class (from its prototype's CreateNew), or null.
    MBaseObject* CreateObject(const MStr& className) const;
    const std::vector<MBaseObject*>& GetPrototypes() const { return m_Prototypes; }

    // Image search places. FindImageFile looks a name (with '/' or '\')
    // up in each place in order, matching every path part without regard to
    // case; returns the full path found, or empty.
    MStrList& GetImageSearchPaths() { return m_ImagePaths; }
    const MStrList& GetImageSearchPaths() const { return m_ImagePaths; }
    MStr FindImageFile(const MStr& name) const;
    // The name of a full path relative to the image search place it lies
    // in, with '/' separators; empty when it lies in none.
    MStr GetRelativeImageFilename(const MStr& path) const;

    MScene* GetScene() const { return m_Scene; }

  private:
    struct Module;
    int RegisterTranslator(int kind, MTranslator* translator);

    std::vector<MOutputSink*> m_Sinks;
    MOutputSink* m_FileSink = nullptr;
    long m_LogLines = 0;
    MStr m_ProgramFolder;
    std::vector<std::unique_ptr<Module>> m_Modules;
    std::vector<MTranslator*> m_Translators[3];
    std::vector<MBaseObject*> m_Prototypes;
    MStrList m_ImagePaths;
    MScene* m_Scene = nullptr;
};

void SetSystemManager(MSystemManager* manager);
MSystemManager* GetSystemManager();
