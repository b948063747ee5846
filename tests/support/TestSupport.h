#pragma once

#include "MSystemManager.h"
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

// Collects log lines in memory.
class CaptureSink : public MOutputSink
{
  public:
    void WriteLine(const char* line) override { lines.emplace_back(line); }
    bool Contains(const std::string& line) const
    {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

// A system manager announced while it lives, its log captured, plug-ins in reach.
class TestSystem
{
  public:
    TestSystem()
    {
        manager.SetProgramFolder(GLAZEN_BIN_DIR);
        manager.SetConsoleOutput(&log);
        SetSystemManager(&manager);
    }
    ~TestSystem()
    {
        manager.SetConsoleOutput();
        SetSystemManager(nullptr);
    }
    MSystemManager& Manager() { return manager; }
    MScene* Scene() { return manager.GetScene(); }
    // Loads the plug-ins of the build's bin folder; returns the module count.
    int LoadPlugins() { return manager.FindAndLoadDLLs("*.DLF", true, true); }
    MSystemManager manager;
    CaptureSink log;
};

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path; }
    // Writes a file below the folder (making its parent folders); returns its path.
    std::string Write(const std::string& relative, const std::string& content) const;
    std::filesystem::path path;
};

std::string ReadWholeFile(const std::filesystem::path& p);
// Writes a pk3 (zip) archive of the members, deflated or stored; false on failure.
bool WriteArchive(const std::filesystem::path& path,
                  const std::vector<std::pair<std::string, std::string>>& members,
                  bool deflate = true);
struct RgbPixel
{
    int r, g, b;
};
// A w x h Targa file (24 bits, rows from the top) of pixels in reading order.
std::string Targa(int w, int h, const std::vector<RgbPixel>& pixels);
class MBaseObjectTree;
class MScene;
// A tree as " name(children)" text, depth first.
std::string TreeShape(const MBaseObjectTree& tree);
// The selected names, each and a blank; expects the selected flags to agree.
std::string Selection(MScene& scene);
// The shared corpus, the tests' own data and the build's program folder.
inline const auto CorpusDir = [] { return std::filesystem::path(GLAZEN_CORPUS_DIR); };
inline const auto TestDataDir = [] { return std::filesystem::path(GLAZEN_TEST_DATA); };
inline const auto BinDir = [] { return std::filesystem::path(GLAZEN_BIN_DIR); };

// A model object that counts the live ones, to see that references are released.
class Counted : public MBaseObject
{
  public:
    explicit Counted(const char* name = "")
    {
        SetName(name);
        ++live;
    }
    ~Counted() override { --live; }
    M_DECLARE_CLASS(Counted, MBaseObject)
    static inline int live = 0;
};

// Lowers the largest file this process may write while it lives: a full disk.
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes) : m_OldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_Old);
        const rlimit limit = {bytes, m_Old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_Old);
        std::signal(SIGXFSZ, m_OldHandler);
    }

  private:
    void (*m_OldHandler)(int);
    rlimit m_Old = {};
};
