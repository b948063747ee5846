#include "MSystemManager.h"

#include "MArchiveCache.h"
#include "MCompleteTranslator.h"
#include "MFile.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MMesh.h"
#include "MScene.h"
#include "MShaderNodes.h"
#include "MTranslator.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <span>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
MSystemManager* g_SystemManager = nullptr;

// The plug-in exports, as the loader calls them.
using QueryVersionFn = int (*)(uint32_t*);
using QueryDescFn = int (*)(char*);
using QueryCountFn = int (*)();
using RegisterFn = int (*)(MSystemManager*, int);

constexpr uint32_t kVersionTag =
    uint32_t('Q') | uint32_t('V') << 8 | uint32_t('0') << 16 | uint32_t('2') << 24;
constexpr int kMaxTranslatorsPerModule = 256;
constexpr size_t kDescBufferSize = 4096;

bool IsRegularFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}
} // namespace

void SetSystemManager(MSystemManager* manager)
{
    g_SystemManager = manager;
}

MSystemManager* GetSystemManager()
{
    return g_SystemManager;
}

struct MSystemManager::Module
{
    void* handle = nullptr;
    std::string path;
    ~Module()
    {
        if (handle)
            dlclose(handle);
    }
};

MSystemManager::MSystemManager()
{
    m_ProgramFolder = ExecutableFolder();
    m_Scene = new MScene();
    m_Scene->AddRef();
    for (MBaseObject* proto : std::initializer_list<MBaseObject*>{new MMaterial(),
                                                                  new MMaterialLayer(),
                                                                  new MFileShaderNode(),
                                                                  new MAnimFileShaderNode(),
                                                                  new MRGBGenShaderNode(),
                                                                  new MAlphaGenShaderNode(),
                                                                  new MBlendFuncShaderNode(),
                                                                  new MAlphaFuncShaderNode(),
                                                                  new MTCScrollShaderNode(),
                                                                  new MTCRotateShaderNode(),
                                                                  new MTCScaleShaderNode(),
                                                                  new MTCStretchShaderNode(),
                                                                  new MTCTurbShaderNode(),
                                                                  new MTCGenShaderNode(),
                                                                  new MQERadiantShaderNode(),
                                                                  new MQ3MapSurfaceShaderNode(),
                                                                  new MQ3SkyParmsShaderNode(),
                                                                  new MQ3SunShaderNode(),
                                                                  new MDeformVertsShaderNode(),
                                                                  new MVerbatimShaderNode(),
                                                                  new MSceneObject(),
                                                                  new MTransformObject(),
                                                                  new MMesh()})
        RegisterPrototype(proto);
    // Whole scenes open and save through the library's own translator.
    MCompleteTranslator complete;
    RegisterSceneTranslator(&complete);
}

MSystemManager::~MSystemManager()
{
    if (g_SystemManager == this)
        g_SystemManager = nullptr;
    m_Sinks.clear();
    m_FileSink = nullptr;
    if (m_Scene)
        m_Scene->Delete();
    // Objects whose code lives in a plug-in go before the plug-in is unloaded.
    for (auto& list : m_Translators)
    {
        for (MTranslator* t : list)
            t->Delete();
        list.clear();
    }
    for (MBaseObject* p : m_Prototypes)
        p->Delete();
    m_Prototypes.clear();
    m_Modules.clear();
}

void MSystemManager::LogLine(const MStr& line)
{
    ++m_LogLines;
    for (MOutputSink* sink : m_Sinks)
        sink->WriteLine(line.c_str());
    if (m_FileSink)
        m_FileSink->WriteLine(line.c_str());
}

void MSystemManager::LogOutputV(const char* fmt, va_list args)
{
    // With nobody listening the line is only counted, not formatted.
    if (m_Sinks.empty() && !m_FileSink)
    {
        ++m_LogLines;
        return;
    }
    MStr line;
    line.FormatV(fmt, args);
    LogLine(line);
}

void MSystemManager::LogOutput(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    LogOutputV(fmt, args);
    va_end(args);
}

void MSystemManager::SetConsoleOutput(MOutputSink* first, MOutputSink* second)
{
    m_Sinks.clear();
    if (first)
        m_Sinks.push_back(first);
    if (second && second != first)
        m_Sinks.push_back(second);
}

MStr MSystemManager::ExecutableFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "./";
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return MStr(folder);
}

void MSystemManager::SetProgramFolder(const MStr& folder)
{
    m_ProgramFolder = folder;
    if (m_ProgramFolder.IsEmpty() || m_ProgramFolder.str().back() != '/')
        m_ProgramFolder += "/";
}

int MSystemManager::FindAndLoadDLLs(const MStr& pattern, bool log, bool registerTranslators)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(m_ProgramFolder.str(), ec), end; !ec && it != end;
         it.increment(ec))
    {
        const std::string name = it->path().filename().string();
        if (MatchFilePattern(pattern.str(), name) && IsRegularFile(it->path()))
            files.push_back(it->path());
    }
    if (ec && log)
        LogOutput("Could not search '%s' for plug-ins: %s", m_ProgramFolder.c_str(),
                  ec.message().c_str());
    std::sort(files.begin(), files.end());

    int loaded = 0;
    for (const fs::path& file : files)
    {
        const std::string path = file.string();
        auto fail = [&](const char* why)
        {
            if (log)
                LogOutput("Plug-in '%s' skipped: %s", path.c_str(), why);
        };
        // A second search of the same folder must not register a plug-in's
        // translators twice.
        if (std::any_of(m_Modules.begin(), m_Modules.end(),
                        [&](const std::unique_ptr<Module>& m) { return m->path == path; }))
            continue;
        auto module = std::make_unique<Module>();
        module->path = path;
        module->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module->handle)
        {
            const char* err = dlerror();
            fail(err ? err : "it could not be loaded");
            continue;
        }
        auto version = reinterpret_cast<QueryVersionFn>(dlsym(module->handle, "ModQueryVersion"));
        auto desc = reinterpret_cast<QueryDescFn>(dlsym(module->handle, "ModQueryDesc"));
        auto count = reinterpret_cast<QueryCountFn>(dlsym(module->handle, "ModQueryCount"));
        auto reg = reinterpret_cast<RegisterFn>(dlsym(module->handle, "ModRegister"));
        if (!version || !desc || !count || !reg)
        {
            fail("it lacks one of the exports ModQueryVersion, ModQueryDesc, ModQueryCount, "
                 "ModRegister");
            continue;
        }
        uint32_t tag = 0;
        if (!version(&tag) || tag != kVersionTag)
        {
            char shown[5] = {};
            std::memcpy(shown, &tag, 4);
            for (char& c : std::span(shown, 4))
                if (c < 32 || c > 126)
                    c = '?';
            fail(MStr::Printf("its version tag '%s' is not 'QV02'", shown).c_str());
            continue;
        }
        std::vector<char> description(kDescBufferSize, 0);
        desc(description.data());
        description.back() = 0;
        const int n = count();
        if (n < 0 || n > kMaxTranslatorsPerModule)
        {
            fail(MStr::Printf("it reports %i translators", n).c_str());
            continue;
        }
        if (log)
            LogOutput("Loaded plug-in '%s': %s", path.c_str(), description.data());
        if (registerTranslators)
        {
            for (int i = 0; i < n; ++i)
                if (!reg(this, i) && log)
                    LogOutput("Plug-in '%s': translator %i was not registered", path.c_str(), i);
        }
        m_Modules.push_back(std::move(module));
        ++loaded;
    }
    return loaded;
}

int MSystemManager::RegisterTranslator(int kind, MTranslator* translator)
{
    if (!translator)
        return 0;
    // Keep an object of our own: the caller destroys the one it hands over.
    MBaseObject* copy = translator->CreateNew();
    auto* own = dynamic_cast<MTranslator*>(copy);
    if (!own)
    {
        if (copy)
            copy->Delete();
        return 0;
    }
    own->AddRef();
    m_Translators[kind].push_back(own);
    return 1;
}

int MSystemManager::RegisterImageTranslator(MImageTranslator* t)
{
    return RegisterTranslator(TRANSLATOR_IMAGE, t);
}

int MSystemManager::RegisterMaterialTranslator(MMaterialTranslator* t)
{
    return RegisterTranslator(TRANSLATOR_MATERIAL, t);
}

int MSystemManager::RegisterSceneTranslator(MSceneTranslator* t)
{
    return RegisterTranslator(TRANSLATOR_SCENE, t);
}

int MSystemManager::GetTranslatorCount(int kind) const
{
    return (kind < 0 || kind > 2) ? 0 : static_cast<int>(m_Translators[kind].size());
}

MTranslator* MSystemManager::GetTranslatorFromIndex(int kind, int index) const
{
    if (index < 1 || index > GetTranslatorCount(kind))
        return nullptr;
    return m_Translators[kind][static_cast<size_t>(index - 1)];
}

MImageTranslator* MSystemManager::GetImageTranslator(int index) const
{
    return static_cast<MImageTranslator*>(GetTranslatorFromIndex(TRANSLATOR_IMAGE, index + 1));
}

MMaterialTranslator* MSystemManager::GetMaterialTranslator(int index) const
{
    return static_cast<MMaterialTranslator*>(
        GetTranslatorFromIndex(TRANSLATOR_MATERIAL, index + 1));
}

MSceneTranslator* MSystemManager::GetSceneTranslator(int index) const
{
    return static_cast<MSceneTranslator*>(GetTranslatorFromIndex(TRANSLATOR_SCENE, index + 1));
}

MImageTranslator* MSystemManager::FindImageTranslatorThatImports(const MStr& fileName) const
{
    for (MTranslator* t : m_Translators[TRANSLATOR_IMAGE])
        if (t->CanImport() && t->CanImportFile(fileName))
            return static_cast<MImageTranslator*>(t);
    return nullptr;
}

MMaterialTranslator* MSystemManager::FindMaterialTranslatorThatImports(const MStr& fileName) const
{
    for (MTranslator* t : m_Translators[TRANSLATOR_MATERIAL])
        if (t->CanImport() && t->CanImportFile(fileName))
            return static_cast<MMaterialTranslator*>(t);
    return nullptr;
}

MSceneTranslator* MSystemManager::FindSceneTranslatorThatImports(const MStr& fileName) const
{
    for (MTranslator* t : m_Translators[TRANSLATOR_SCENE])
        if (t->CanImport() && t->CanImportFile(fileName))
            return static_cast<MSceneTranslator*>(t);
    return nullptr;
}

MTranslator* MSystemManager::FindTranslatorByClassName(const MStr& className) const
{
    for (const auto& list : m_Translators)
        for (MTranslator* t : list)
            if (t->ClassName() == className)
                return t;
    return nullptr;
}

namespace
{
MStr JoinFilters(const std::vector<MTranslator*>& list)
{
    MStr out;
    for (MTranslator* t : list)
    {
        if (!out.IsEmpty())
            out += "|";
        out += t->GetFileFilter();
    }
    return out;
}
} // namespace

MStr MSystemManager::CreateImageTranslatorFilterString() const
{
    return JoinFilters(m_Translators[TRANSLATOR_IMAGE]);
}

MStr MSystemManager::CreateMaterialTranslatorFilterString() const
{
    return JoinFilters(m_Translators[TRANSLATOR_MATERIAL]);
}

MStr MSystemManager::CreateSceneTranslatorFilterString() const
{
    return JoinFilters(m_Translators[TRANSLATOR_SCENE]);
}

MStr MSystemManager::CreateSceneAndMatTranslatorFilterString() const
{
    std::vector<MTranslator*> both = m_Translators[TRANSLATOR_SCENE];
    both.insert(both.end(), m_Translators[TRANSLATOR_MATERIAL].begin(),
                m_Translators[TRANSLATOR_MATERIAL].end());
    return JoinFilters(both);
}

void MSystemManager::RegisterPrototype(MBaseObject* prototype)
{
    if (!prototype)
        return;
    prototype->AddRef();
    const MStr name = prototype->ClassName();
    for (MBaseObject*& p : m_Prototypes)
    {
        if (p->ClassName() == name)
        {
            p->Delete();
            p = prototype;
            return;
        }
    }
    m_Prototypes.push_back(prototype);
}

MBaseObject* MSystemManager::FindPrototype(const MStr& className) const
{
    for (MBaseObject* p : m_Prototypes)
        if (p->ClassName() == className)
            return p;
    return nullptr;
}

MBaseObject* MSystemManager::CreateObject(const MStr& className) const
{
    const MBaseObject* proto = FindPrototype(className);
    return proto ? proto->CreateNew() : nullptr;
}

namespace
{
std::string Normalised(const MStr& name)
{
    std::string s = name.str();
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// Looks a name up in one search place as the game does: loose files first,
// then the .pk3dir folders and then the pk3 archives, each in reverse name
// order so that a later one overrides an earlier one. A place that is
// itself a pk3 archive is searched inside.
std::string FindInPlace(const std::string& base, const std::string& rel)
{
    MArchiveCache& archives = MArchiveCache::Instance();
    if (MArchiveCache::IsArchiveName(base))
    {
        if (MArchive* archive = archives.Get(base))
        {
            const int64_t member = archive->Find(rel);
            if (member >= 0)
                return base + '/' + archive->GetMemberName(member);
        }
        std::error_code ec;
        if (fs::is_regular_file(base, ec))
            return {};
    }
    std::string found = MFile::FindNoCase(base, rel, false, false);
    if (!found.empty())
        return found;
    const MArchiveCache::FolderContents& contents = archives.GetFolder(base);
    for (auto it = contents.folders.rbegin(); it != contents.folders.rend(); ++it)
    {
        found = MFile::FindNoCase(*it, rel, false, false);
        if (!found.empty())
            return found;
    }
    for (auto it = contents.archives.rbegin(); it != contents.archives.rend(); ++it)
    {
        MArchive* archive = archives.Get(*it);
        const int64_t member = archive ? archive->Find(rel) : -1;
        if (member >= 0)
            return *it + '/' + archive->GetMemberName(member);
    }
    return {};
}
} // namespace

MStr MSystemManager::FindImageFile(const MStr& name) const
{
    if (m_ImagePaths.GetCount() == 0 && (name.IsEmpty() || name.c_str()[0] != '/'))
        return MStr();
    std::string rel = Normalised(name);
    if (rel.empty())
        return MStr();
    if (rel.front() == '/')
        return MFile::Exists(rel) ? MStr(rel) : MStr();
    for (const MStr& place : m_ImagePaths)
    {
        std::string base = Normalised(place);
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        if (base.empty())
            continue;
        std::string found = FindInPlace(base, rel);
        if (!found.empty())
            return MStr(std::move(found));
    }
    return MStr();
}

MStr MSystemManager::GetRelativeImageFilename(const MStr& path) const
{
    const std::string full = Normalised(path);
    for (const MStr& place : m_ImagePaths)
    {
        std::string base = Normalised(place);
        if (base.empty())
            continue;
        if (base.back() != '/')
            base += '/';
        if (full.size() > base.size() &&
            EqualsNoCase(std::string_view(full).substr(0, base.size()), base))
        {
            std::string rel = full.substr(base.size());
            // Inside an archive or a .pk3dir folder of the place, the name is
            // the one inside it, as a script names it.
            const size_t slash = rel.find('/');
            if (slash != std::string::npos && slash + 1 < rel.size())
            {
                const std::string_view first(rel.data(), slash);
                if (MArchiveCache::IsArchiveName(first) ||
                    MArchiveCache::IsArchiveFolderName(first))
                    rel.erase(0, slash + 1);
            }
            return MStr(std::move(rel));
        }
    }
    return MStr();
}
