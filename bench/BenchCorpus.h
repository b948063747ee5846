#pragma once

// The corpus scripts the benchmarks read: every .shader file of the
// openarena folder, in name order, so each run reads the same scene.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

inline std::vector<std::string> CorpusFiles()
{
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const auto& e :
         fs::directory_iterator(fs::path(GLAZEN_CORPUS_DIR) / "shaders" / "openarena"))
        if (e.path().extension() == ".shader")
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}
