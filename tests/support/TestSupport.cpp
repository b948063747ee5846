#include "TestSupport.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

bool CaptureSink::Contains(const std::string& line) const
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TestSystem::TestSystem()
{
    manager.SetProgramFolder(GLAZEN_BIN_DIR);
    manager.SetConsoleOutput(&log);
    SetSystemManager(&manager);
}

TestSystem::~TestSystem()
{
    manager.SetConsoleOutput();
    SetSystemManager(nullptr);
}

int TestSystem::LoadPlugins()
{
    return manager.FindAndLoadDLLs("*.DLF", true, true);
}

TempDir::TempDir()
{
    std::random_device rd;
    path =
        fs::temp_directory_path() / ("glazen-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::string TempDir::Write(const std::string& relative, const std::string& content) const
{
    const fs::path p = path / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p.string();
}

std::string ReadWholeFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

fs::path CorpusDir()
{
    return GLAZEN_CORPUS_DIR;
}
fs::path TestDataDir()
{
    return GLAZEN_TEST_DATA;
}
fs::path BinDir()
{
    return GLAZEN_BIN_DIR;
}
