// Shader script import and export throughput, and the two figures they
// guard:
//   ratio_20k_10k      importing 20,000 shaders takes at most 2.2 times as long as 10,000
//   ratio_to_wordsplit importing the corpus takes at most 10 times as long as
//                      reading the same bytes and splitting them into words
// heap_per_10k_shaders reports the memory a scene of 10,000 imported shaders holds.

#include "BenchCorpus.h"
#include "MMaterial.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
MSystemManager& Manager()
{
    static MSystemManager* m = []
    {
        auto* manager = new MSystemManager();
        SetSystemManager(manager);
        return manager;
    }();
    return *m;
}

size_t TotalBytes(const std::vector<std::string>& files)
{
    size_t n = 0;
    for (const auto& f : files)
        n += fs::file_size(f);
    return n;
}

// A script of `count` shaders in the habits of real ones: shader-wide
// keywords, two to three stages, comments.
std::string GeneratedScript(int count)
{
    std::mt19937 rng(12345);
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    std::string s;
    s.reserve(size_t(count) * 420);
    const char* surfaces[] = {"nolightmap", "trans", "nonsolid", "nomarks", "metalsteps", "slick"};
    for (int i = 0; i < count; ++i)
    {
        s += "// generated shader " + std::to_string(i) + "\n";
        s += "textures/gen/set" + std::to_string(i % 97) + "/shader_" + std::to_string(i) + "\n{\n";
        s += "\tqer_editorimage textures/gen/editor_" + std::to_string(i % 500) + ".tga\n";
        s += "\tsurfaceparm " + std::string(surfaces[pick(6)]) + "\n";
        if (pick(3) == 0)
            s += "\tdeformVertexes wave 100 sin 0 " + std::to_string(pick(8)) + " 0 0.5\n";
        if (pick(4) == 0)
            s += "\tq3map_flare flareShader\n\tcull disable\n";
        s += "\t{\n\t\tmap textures/gen/base_" + std::to_string(i % 700) +
             ".tga\n\t\trgbGen identity\n\t}\n";
        s += "\t{\n\t\tmap $lightmap\n\t\tblendFunc GL_DST_COLOR GL_ZERO\n\t\ttcMod scroll 0.1 ." +
             std::to_string(pick(9)) + "\n\t}\n";
        if (pick(2) == 0)
            s += "\t{\n\t\tanimMap 5 a.tga b.tga c.tga\n\t\tblendfunc add\n\t\trgbGen wave sin 0.5 "
                 "0.5 0 1\n\t}\n";
        s += "}\n\n";
    }
    return s;
}

const std::string& GeneratedFile(int count)
{
    static std::map<int, std::string> files;
    auto it = files.find(count);
    if (it != files.end())
        return it->second;
    const fs::path p =
        fs::temp_directory_path() / ("glazen-bench-" + std::to_string(count) + ".shader");
    std::ofstream(p, std::ios::binary) << GeneratedScript(count);
    return files[count] = p.string();
}

void ImportFiles(const std::vector<std::string>& files)
{
    MQ3AShaderTranslator translator;
    MScene* scene = Manager().GetScene();
    for (const auto& f : files)
        translator.ImportFile(f, scene);
}

// Each timed import starts from an empty scene.
void FreshStart()
{
    Manager().GetScene()->ClearScene();
}

double SecondsToImport(const std::vector<std::string>& files)
{
    FreshStart();
    const auto t0 = std::chrono::steady_clock::now();
    ImportFiles(files);
    const auto t1 = std::chrono::steady_clock::now();
    Manager().GetScene()->ClearScene();
    return std::chrono::duration<double>(t1 - t0).count();
}

// The baseline: read the same files and split them into words, each word a
// string of its own (what any reader starts from).
size_t SplitWords(const std::vector<std::string>& files)
{
    size_t words = 0;
    std::string text;
    std::vector<std::string> list;
    for (const auto& f : files)
    {
        FILE* fp = std::fopen(f.c_str(), "rb");
        if (!fp)
            continue;
        std::fseek(fp, 0, SEEK_END);
        text.resize(size_t(std::ftell(fp)));
        std::rewind(fp);
        text.resize(std::fread(text.data(), 1, text.size(), fp));
        std::fclose(fp);
        list.clear();
        auto space = [](char c)
        { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
        for (size_t i = 0; i < text.size();)
        {
            while (i < text.size() && space(text[i]))
                ++i;
            const size_t start = i;
            while (i < text.size() && !space(text[i]))
                ++i;
            if (i > start)
                list.emplace_back(text, start, i - start);
        }
        words += list.size();
        benchmark::DoNotOptimize(list.data());
    }
    return words;
}

double SecondsToSplit(const std::vector<std::string>& files)
{
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(SplitWords(files));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Imports the files afresh each iteration; bytes per second of script.
void RunImport(benchmark::State& state, const std::vector<std::string>& files)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        Manager().GetScene()->ClearScene();
        state.ResumeTiming();
        ImportFiles(files);
    }
    Manager().GetScene()->ClearScene();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TotalBytes(files)));
}

// Exports every material the files hold; bytes per second of script written.
void RunExport(benchmark::State& state, const std::vector<std::string>& files)
{
    MScene* scene = Manager().GetScene();
    scene->ClearScene();
    ImportFiles(files);
    scene->SelectAllOf<MMaterial>();
    const std::string out = (fs::temp_directory_path() / "glazen-bench-export.shader").string();
    MQ3AShaderTranslator translator;
    for (auto _ : state)
        translator.ExportFile(out, scene);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(fs::file_size(out)));
    scene->ClearScene();
    fs::remove(out);
}

void BM_ImportCorpus(benchmark::State& state)
{
    RunImport(state, CorpusFiles());
}
BENCHMARK(BM_ImportCorpus)->Unit(benchmark::kMillisecond);

void BM_WordSplitCorpus(benchmark::State& state)
{
    const auto files = CorpusFiles();
    for (auto _ : state)
        benchmark::DoNotOptimize(SplitWords(files));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TotalBytes(files)));
}
BENCHMARK(BM_WordSplitCorpus)->Unit(benchmark::kMillisecond);

void BM_ExportCorpus(benchmark::State& state)
{
    RunExport(state, CorpusFiles());
}
BENCHMARK(BM_ExportCorpus)->Unit(benchmark::kMillisecond);

void BM_ImportGenerated(benchmark::State& state)
{
    RunImport(state, {GeneratedFile(int(state.range(0)))});
}
BENCHMARK(BM_ImportGenerated)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_ExportGenerated(benchmark::State& state)
{
    RunExport(state, {GeneratedFile(int(state.range(0)))});
}
BENCHMARK(BM_ExportGenerated)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Imports 10,000 and 20,000 shaders in turn and reports the ratio of the
// median times.
double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_Figure_Scaling_20k_vs_10k(benchmark::State& state)
{
    const std::vector<std::string> small{GeneratedFile(10000)}, large{GeneratedFile(20000)};
    // Runs of one size after another, so each import meets the heap its own
    // size left behind, as a user importing one such script would.
    std::vector<double> t10, t20;
    for (auto _ : state)
    {
        for (int i = 0; i < 3; ++i)
            t10.push_back(SecondsToImport(small));
        for (int i = 0; i < 3; ++i)
            t20.push_back(SecondsToImport(large));
    }
    state.counters["ratio_20k_10k"] = Median(t20) / Median(t10);
    state.counters["import_10k_ms"] = Median(t10) * 1000.0;
    state.counters["import_20k_ms"] = Median(t20) * 1000.0;
}
BENCHMARK(BM_Figure_Scaling_20k_vs_10k)->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_Figure_Corpus_vs_WordSplit(benchmark::State& state)
{
    const auto files = CorpusFiles();
    std::vector<double> import, split;
    for (auto _ : state)
    {
        for (int i = 0; i < 3; ++i)
            import.push_back(SecondsToImport(files));
        FreshStart();
        for (int i = 0; i < 3; ++i)
            split.push_back(SecondsToSplit(files));
    }
    state.counters["ratio_to_wordsplit"] = Median(import) / Median(split);
    state.counters["import_ms"] = Median(import) * 1000.0;
    state.counters["wordsplit_ms"] = Median(split) * 1000.0;
}
BENCHMARK(BM_Figure_Corpus_vs_WordSplit)->Unit(benchmark::kMillisecond)->Iterations(8);

// Heap held by a scene of 10,000 imported shaders, beside the script's size.
void BM_Figure_Memory_10k(benchmark::State& state)
{
    const std::vector<std::string> files{GeneratedFile(10000)};
    double held = 0;
    for (auto _ : state)
    {
        Manager().GetScene()->ClearScene();
        malloc_trim(0);
        const size_t before = mallinfo2().uordblks;
        ImportFiles(files);
        held = double(mallinfo2().uordblks - before);
        Manager().GetScene()->ClearScene();
    }
    state.counters["heap_per_10k_shaders_MiB"] = held / (1024.0 * 1024.0);
    state.counters["script_MiB"] = double(TotalBytes(files)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Figure_Memory_10k)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

BENCHMARK_MAIN();
