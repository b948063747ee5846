#pragma once

#include "MSystemManager.h"

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
    bool Contains(const std::string& line) const;
    std::vector<std::string> lines;
};

// A system manager announced for the length of a test, with its log
// captured. Its program folder is the build's bin folder, so plug-ins load.
class TestSystem
{
  public:
    TestSystem();
    ~TestSystem();
    MSystemManager& Manager() { return manager; }
    MScene* Scene() { return manager.GetScene(); }
    // Loads Pellow.dlf from the build's bin folder; returns the module count.
    int LoadPlugins();

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

// Writes a zip file (a pk3 archive) of the members, name and content each,
// deflated or stored; false when libzip refuses.
bool WriteArchive(const std::filesystem::path& path,
                  const std::vector<std::pair<std::string, std::string>>& members,
                  bool deflate = true);

struct RgbPixel
{
    int r, g, b;
};
// A w x h Targa file (uncompressed, 24 bits, rows from the top) of pixels
// given left to right, top to bottom.
std::string Targa(int w, int h, const std::vector<RgbPixel>& pixels);

class MBaseObjectTree;
class MScene;
// A tree as " name(children)" text, depth first.
std::string TreeShape(const MBaseObjectTree& tree);
// The selection as names, each followed by a blank; checks (as test
// expectations) that it agrees with the selected flag of every object.
std::string Selection(MScene& scene);
std::filesystem::path CorpusDir();
std::filesystem::path TestDataDir();
std::filesystem::path BinDir();

// A model object that counts the live objects of its class, to check that
// references are released.
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

// Lowers the largest file this process may write for as long as it lives, so
// a test can make a write fail half-way as a full disk would.
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_Old);
        rlimit limit = m_Old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_Old);
        std::signal(SIGXFSZ, m_OldHandler);
    }

  private:
    rlimit m_Old = {};
    void (*m_OldHandler)(int) = nullptr;
};
