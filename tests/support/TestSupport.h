#pragma once

#include "MSystemManager.h"

#include <filesystem>
#include <string>
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
std::filesystem::path CorpusDir();
std::filesystem::path TestDataDir();
std::filesystem::path BinDir();
