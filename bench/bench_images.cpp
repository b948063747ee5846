// Targa and JPEG decoding throughput (megapixels a second) on the corpus
// images and on a generated 4096 x 4096 picture, beside `djpeg -ppm` on the
// same JPEG files, and the figure they guard:
//   jpeg_vs_djpeg  on the large picture the JPEG translator takes at most 1.2
//                  times as long as `djpeg -ppm` (printed at the end of the run)
// The large files are made at start-up in a temporary folder: a procedural
// PPM compressed with `cjpeg` (default settings), and a 24-bit Targa.

#include "MImage.h"
#include "MJPGTranslator.h"
#include "MSystemManager.h"
#include "MTGATranslator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace
{
constexpr int kLargeSide = 4096;
constexpr double kFigure = 1.2;

// Runs a program found on PATH with its output thrown away; true when it exits 0.
bool RunQuietly(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A picture with the mix of smooth areas, edges and grain of a game texture.
std::vector<uint8_t> GeneratedPicture(int side)
{
    std::vector<uint8_t> rgb(size_t(side) * size_t(side) * 3);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> grain(-12, 12);
    uint8_t* p = rgb.data();
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x, p += 3)
        {
            const double wave = std::sin(x / 41.0) * std::cos(y / 57.0);
            const bool brick = ((x / 128 + y / 64) & 1) != 0 && (x % 128) > 4 && (y % 64) > 4;
            const int base = int(110 + 70 * wave) + (brick ? 40 : 0);
            const int g = grain(random);
            p[0] = uint8_t(std::clamp(base + g + 20, 0, 255));
            p[1] = uint8_t(std::clamp(base + g / 2, 0, 255));
            p[2] = uint8_t(std::clamp(int(90 + 60 * std::sin((x + y) / 97.0)) + g, 0, 255));
        }
    return rgb;
}

struct LargeFiles
{
    fs::path folder;
    fs::path jpeg;
    fs::path tga;
};

// Writes the large Targa and JPEG; empty paths for what could not be made.
LargeFiles MakeLargeFiles()
{
    LargeFiles files;
    std::random_device rd;
    files.folder = fs::temp_directory_path() / ("glazen-bench-images-" + std::to_string(rd()));
    fs::create_directories(files.folder);
    const std::vector<uint8_t> rgb = GeneratedPicture(kLargeSide);

    const fs::path ppm = files.folder / "large.ppm";
    {
        std::ofstream out(ppm, std::ios::binary);
        out << "P6\n" << kLargeSide << ' ' << kLargeSide << "\n255\n";
        out.write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
    }
    const fs::path jpeg = files.folder / "large.jpg";
    if (RunQuietly({"cjpeg", "-outfile", jpeg.string(), ppm.string()}))
        files.jpeg = jpeg;
    else
        std::fprintf(stderr, "cjpeg failed or is missing (libjpeg-turbo-progs); no large JPEG\n");
    fs::remove(ppm);

    const fs::path tga = files.folder / "large.tga";
    {
        std::ofstream out(tga, std::ios::binary);
        unsigned char header[18] = {};
        header[2] = 2;
        header[12] = kLargeSide & 0xFF;
        header[13] = kLargeSide >> 8;
        header[14] = kLargeSide & 0xFF;
        header[15] = kLargeSide >> 8;
        header[16] = 24;
        out.write(reinterpret_cast<const char*>(header), sizeof header);
        std::vector<uint8_t> bgr(rgb.size());
        for (size_t i = 0; i < rgb.size(); i += 3)
        {
            bgr[i] = rgb[i + 2];
            bgr[i + 1] = rgb[i + 1];
            bgr[i + 2] = rgb[i];
        }
        out.write(reinterpret_cast<const char*>(bgr.data()), std::streamsize(bgr.size()));
    }
    files.tga = tga;
    return files;
}

double Megapixels(const MImage& image)
{
    return double(image.GetWidth()) * image.GetHeight() / 1e6;
}

void ImportBench(benchmark::State& state, MImageTranslator* translator, const std::string& path)
{
    MImage probe;
    if (!translator->ImportImage(path, &probe))
    {
        state.SkipWithError("the translator does not read this file");
        return;
    }
    for (auto _ : state)
    {
        MImage image;
        const bool ok = translator->ImportImage(path, &image);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(image.GetColourBuffer());
    }
    state.counters["Mpx"] =
        benchmark::Counter(Megapixels(probe), benchmark::Counter::kIsIterationInvariantRate);
}

void DjpegBench(benchmark::State& state, const std::string& path, double megapixels)
{
    for (auto _ : state)
    {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = RunQuietly({"djpeg", "-ppm", "-outfile", "/dev/null", path});
        const auto end = std::chrono::steady_clock::now();
        if (!ok)
        {
            state.SkipWithError("djpeg failed or is missing (libjpeg-turbo-progs)");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["Mpx"] =
        benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

// The console reporter, keeping the best time a name reached so the JPEG
// translator and djpeg can be compared at the end.
class RecordingReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
            {
                const double ms = run.GetAdjustedRealTime() *
                                  (1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit));
                std::string name = run.benchmark_name();
                for (const std::string suffix : {"/manual_time", "/real_time"})
                    if (name.size() > suffix.size() && name.ends_with(suffix))
                        name.resize(name.size() - suffix.size());
                auto [it, fresh] = best.emplace(name, ms);
                if (!fresh)
                    it->second = std::min(it->second, ms);
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> best; // milliseconds an iteration
};

std::vector<fs::path> CorpusImages(const char* extension)
{
    std::vector<fs::path> files;
    const fs::path images = fs::path(GLAZEN_CORPUS_DIR) / "images";
    for (const fs::path& folder : {images, images / "tga-conformance"})
        if (fs::is_directory(folder))
            for (const auto& e : fs::directory_iterator(folder))
                if (e.path().extension() == extension)
                    files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

int main(int argc, char** argv)
{
    MSystemManager manager; // quiet: translator messages go to no sink
    SetSystemManager(&manager);
    MTGATranslator tga;
    MJPGTranslator jpg;
    const LargeFiles large = MakeLargeFiles();

    std::vector<std::pair<std::string, fs::path>> tgaFiles, jpegFiles;
    for (const fs::path& f : CorpusImages(".tga"))
        if (tga.CanImportFile(f.string()))
            tgaFiles.emplace_back(f.filename().string(), f);
    for (const fs::path& f : CorpusImages(".jpg"))
    {
        MImage probe; // only what the translator reads (the CMYK sample is refused)
        if (jpg.CanImportFile(f.string()) && jpg.ImportImage(f.string(), &probe))
            jpegFiles.emplace_back(f.filename().string(), f);
    }
    tgaFiles.emplace_back("generated-4096x4096.tga", large.tga);
    if (!large.jpeg.empty())
        jpegFiles.emplace_back("generated-4096x4096.jpg", large.jpeg);

    for (const auto& [name, path] : tgaFiles)
        benchmark::RegisterBenchmark(("TgaImport/" + name).c_str(), ImportBench, &tga,
                                     path.string())
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    for (const auto& [name, path] : jpegFiles)
    {
        MImage probe;
        jpg.ImportImage(path.string(), &probe);
        benchmark::RegisterBenchmark(("JpegImport/" + name).c_str(), ImportBench, &jpg,
                                     path.string())
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Djpeg/" + name).c_str(), DjpegBench, path.string(),
                                     Megapixels(probe))
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nJPEG translator against `djpeg -ppm` (best time an iteration; djpeg includes "
                "its start-up):\n");
    for (const auto& [name, path] : jpegFiles)
    {
        const auto ours = reporter.best.find("JpegImport/" + name);
        const auto theirs = reporter.best.find("Djpeg/" + name);
        if (ours == reporter.best.end() || theirs == reporter.best.end())
            continue;
        const double ratio = ours->second / theirs->second;
        const bool guarded = path == large.jpeg;
        std::printf("  %-40s %9.3f ms  djpeg %9.3f ms  ratio %.3f%s\n", name.c_str(), ours->second,
                    theirs->second, ratio,
                    guarded ? (ratio <= kFigure ? "  (figure: at most 1.2, met)"
                                                : "  (figure: at most 1.2, NOT MET)")
                            : "");
    }

    SetSystemManager(nullptr);
    std::error_code ec;
    fs::remove_all(large.folder, ec);
    return 0;
}
