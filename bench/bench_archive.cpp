// Textures in pk3 archives, and the figures they guard:
//   lookup_us       looking up 1,000 names in an archive of 100,000 members
//                   takes at most 2 microseconds a name (FindImageFile with the
//                   archive as the search place; the table of contents is read
//                   once, before the timing)
//   archive_vs_loose  reading 100 textures (found, content-checked and decoded
//                   by the image translators, as the editor loads them) from a
//                   deflated archive takes at most 1.5 times as long as
//                   reading the same files loose
// The figures (processor time) are printed at the end of the run. The archives are made at
// start-up in a temporary folder from the corpus's game textures.

#include "MArchiveCache.h"
#include "MImage.h"
#include "MJPGTranslator.h"
#include "MPNGTranslator.h"
#include "MSystemManager.h"
#include "MTGARLETranslator.h"
#include "MTGATranslator.h"
#include "MTranslator.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
constexpr int kMembers = 100000, kLookups = 1000, kTextures = 100;

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Member
{
    std::string name, data;
};

void WriteZip(const fs::path& path, const std::vector<Member>& members, bool deflate)
{
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        std::abort();
    for (const Member& m : members)
    {
        zip_source_t* src = zip_source_buffer(z, m.data.data(), m.data.size(), 0);
        const zip_int64_t i = zip_file_add(z, m.name.c_str(), src, 0);
        if (i < 0)
            std::abort();
        zip_set_file_compression(z, zip_uint64_t(i), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0)
        std::abort();
}

// The archives and loose files, made once.
struct Data
{
    fs::path dir;
    std::vector<std::string> lookupNames; // mixed case, '\' separators, some missing
    std::vector<std::string> textureNames;

    Data()
    {
        dir = fs::temp_directory_path() / ("glazen-bench-archive-" + std::to_string(::getpid()));
        fs::create_directories(dir / "loose");
        std::vector<Member> large;
        large.reserve(kMembers);
        for (int i = 0; i < kMembers; ++i)
            large.push_back(
                {"textures/set" + std::to_string(i / 100) + "/Wall_" + std::to_string(i) + ".tga",
                 "x"});
        WriteZip(dir / "large.pk3", large, false);
        for (int i = 0; i < kLookups; ++i)
        {
            const int n = (i * 7919) % kMembers;
            std::string name = "TEXTURES\\Set" + std::to_string(n / 100) + "\\wall_" +
                               std::to_string(n) + (i % 10 == 0 ? ".jpg" : ".TGA");
            lookupNames.push_back(name);
        }

        std::vector<std::string> corpus;
        for (const auto& e : fs::directory_iterator(fs::path(GLAZEN_CORPUS_DIR) / "images"))
        {
            const std::string ext = e.path().extension().string();
            // The game's own textures (the others are decoder test pictures).
            if (e.is_regular_file() && e.path().filename().string().rfind("oa-", 0) == 0 &&
                (ext == ".tga" || ext == ".jpg"))
                corpus.push_back(e.path().string());
        }
        std::sort(corpus.begin(), corpus.end());
        std::vector<Member> textures;
        for (int i = 0; i < kTextures; ++i)
        {
            const fs::path from = corpus[size_t(i) % corpus.size()];
            const std::string name =
                "textures/t" + std::to_string(i) + "/" + from.filename().string();
            textures.push_back({name, ReadFile(from)});
            textureNames.push_back(name);
            fs::create_directories((dir / "loose" / name).parent_path());
            fs::copy_file(from, dir / "loose" / name);
        }
        WriteZip(dir / "textures.pk3", textures, true);
        WriteZip(dir / "stored.pk3", textures, false);
    }
    ~Data()
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Data& TheData()
{
    static Data data;
    return data;
}

// A manager with the image translators of both plug-ins and one search place.
struct System
{
    MSystemManager manager;
    explicit System(const fs::path& place)
    {
        SetSystemManager(&manager);
        MTGATranslator tga;
        MJPGTranslator jpg;
        MTGARLETranslator rle;
        MPNGTranslator png;
        manager.RegisterImageTranslator(&tga);
        manager.RegisterImageTranslator(&jpg);
        manager.RegisterImageTranslator(&rle);
        manager.RegisterImageTranslator(&png);
        manager.GetImageSearchPaths().AddString(place.string());
    }
    ~System() { SetSystemManager(nullptr); }
};

std::map<std::string, double> g_Seconds; // processor seconds per iteration

// The process's processor time: the machine is shared, so wall time says
// more about the other programs than about this one.
double CpuSeconds()
{
    timespec t = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void BM_LookupInLargeArchive(benchmark::State& state)
{
    Data& data = TheData();
    System sys(data.dir / "large.pk3");
    if (sys.manager.FindImageFile(data.lookupNames[1]).IsEmpty())
        state.SkipWithError("the archive was not searched");
    size_t found = 0;
    const double start = CpuSeconds();
    for (auto _ : state)
        for (const std::string& name : data.lookupNames)
            found += !sys.manager.FindImageFile(name).IsEmpty();
    const double seconds = CpuSeconds() - start;
    g_Seconds["lookup"] = seconds / double(state.iterations());
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(int64_t(state.iterations()) * kLookups);
}
BENCHMARK(BM_LookupInLargeArchive)->Unit(benchmark::kMicrosecond);

void ReadTextures(benchmark::State& state, const fs::path& place, const char* key)
{
    Data& data = TheData();
    System sys(place);
    size_t pixels = 0;
    const double start = CpuSeconds();
    for (auto _ : state)
        for (const std::string& name : data.textureNames)
        {
            const MStr path = sys.manager.FindImageFile(name);
            MImageTranslator* t = sys.manager.FindImageTranslatorThatImports(path);
            MImage image;
            if (!t || !t->ImportImage(path, &image))
            {
                state.SkipWithError(("could not read " + name).c_str());
                return;
            }
            pixels += size_t(image.GetWidth()) * size_t(image.GetHeight());
        }
    const double seconds = CpuSeconds() - start;
    g_Seconds[key] = seconds / double(state.iterations());
    benchmark::DoNotOptimize(pixels);
}

void BM_ReadTexturesLoose(benchmark::State& state)
{
    ReadTextures(state, TheData().dir / "loose", "loose");
}
BENCHMARK(BM_ReadTexturesLoose)->Unit(benchmark::kMillisecond);

void BM_ReadTexturesFromArchive(benchmark::State& state)
{
    ReadTextures(state, TheData().dir / "textures.pk3", "archive");
}
BENCHMARK(BM_ReadTexturesFromArchive)->Unit(benchmark::kMillisecond);

// The same members stored without compression, for comparison.
void BM_ReadTexturesFromStoredArchive(benchmark::State& state)
{
    ReadTextures(state, TheData().dir / "stored.pk3", "stored");
}
BENCHMARK(BM_ReadTexturesFromStoredArchive)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_Seconds.count("lookup"))
    {
        const double us = g_Seconds["lookup"] / kLookups * 1e6;
        std::printf("lookup_us: %.3f microseconds a name in %d members (figure: at most 2) %s\n",
                    us, kMembers, us <= 2.0 ? "PASS" : "FAIL");
    }
    if (g_Seconds.count("loose") && g_Seconds.count("archive"))
    {
        const double ratio = g_Seconds["archive"] / g_Seconds["loose"];
        std::printf("archive_vs_loose: %.2f times the loose reading of %d textures (figure: at "
                    "most 1.5) %s\n",
                    ratio, kTextures, ratio <= 1.5 ? "PASS" : "FAIL");
        if (g_Seconds.count("stored"))
            std::printf("stored archive: %.2f times the loose reading\n",
                        g_Seconds["stored"] / g_Seconds["loose"]);
    }
    return 0;
}
