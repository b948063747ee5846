// Channel bar rebuild and scrolling with every material, layer and shader
// node of the whole corpus selected (about 25,000 objects).
//
// Figures and the limits they guard:
//   first rebuild            <= 0.5 s and <= 150 MiB more resident memory
//   second rebuild, same selection   <= 50 ms
//   scrolling one screen (worst of 40 screens, this thread's CPU time,
//   painting included)  <= 16 ms
// The program prints each figure with PASS or FAIL and exits non-zero on a
// FAIL. It needs no OpenGL; the offscreen platform serves:
//   cmake --preset bench && cmake --build build/bench --target bench_channel_bar
//   QT_QPA_PLATFORM=offscreen build/bench/bin/bench_channel_bar

#include "BenchCorpus.h"
#include "CChannelBar.h"
#include "Globals.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace
{
double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// CPU time of this thread: on a shared machine the wall clock also counts
// the time other programs held the CPU.
double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

bool Report(const char* what, double value, double limit, const char* unit)
{
    const bool ok = value <= limit;
    std::printf("%-44s %10.3f %s (limit %g) %s\n", what, value, unit, limit, ok ? "PASS" : "FAIL");
    return ok;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SetSystemManager(&g_SystemManager);
    MScene* scene = g_SystemManager.GetScene();
    g_CurrentScene = scene;

    const std::vector<std::string> files = CorpusFiles();
    MQ3AShaderTranslator translator;
    for (const auto& f : files)
        translator.ImportFile(f, scene);
    scene->ForEachNode([scene](MBaseObjectTreeNode* n) { scene->SelectObject(n->GetObject()); });
    const int selected = scene->GetSelectedList().GetCount();
    std::printf("%zu scripts, %d objects selected\n", files.size(), selected);

    CChannelBar bar;
    bar.resize(250, 700);
    bar.show();
    app.processEvents();
    malloc_trim(0);

    const double before = ResidentMiB();
    auto start = Clock::now();
    bar.RebuildChannels();
    const double first = Seconds(start);
    malloc_trim(0);
    const double added = ResidentMiB() - before;

    start = Clock::now();
    bar.RebuildChannels();
    const double second = Seconds(start);

    double worstScroll = 0, totalScroll = 0, worstCpu = 0;
    for (int i = 0; i < 40; ++i)
    {
        start = Clock::now();
        const double cpu = ThreadSeconds();
        bar.ScrollBy(-bar.height());
        const double moved = Seconds(start);
        app.processEvents();
        worstScroll = std::max(worstScroll, Seconds(start));
        totalScroll += Seconds(start);
        worstCpu = std::max(worstCpu, ThreadSeconds() - cpu);
        if (getenv("BENCH_VERBOSE"))
            std::printf("scroll %d: %.3f ms (%.3f ms before painting)\n", i, Seconds(start) * 1000,
                        moved * 1000);
    }

    bool ok = bar.GetBlockCount() == selected;
    std::printf("%d blocks\n", bar.GetBlockCount());
    ok &= Report("first rebuild", first, 0.5, "s");
    ok &= Report("memory added by the first rebuild", added, 150, "MiB");
    ok &= Report("second rebuild, same selection", second * 1000, 50, "ms");
    std::printf("%-44s %10.3f ms\n", "scrolling one screen (mean of 40)", totalScroll * 1000 / 40);
    std::printf("%-44s %10.3f ms\n", "scrolling one screen (worst of 40, wall)",
                worstScroll * 1000);
    ok &= Report("scrolling one screen (worst of 40, CPU)", worstCpu * 1000, 16, "ms");
    scene->SelectNone();
    bar.RebuildChannels();
    g_CurrentScene = nullptr;
    return ok ? 0 : 1;
}
