// Start-up of the editor to its first paint, and the editor's memory when it
// is idle after start-up.
//
// Each iteration starts this program anew as a child (a fresh process, as a
// user starting the editor), which starts the main window exactly as the
// editor does and reports:
//   - the iteration's time: from the moment the parent starts the process
//     (loading the shared libraries and the plug-in included) to the first
//     frame of the material view on screen; the steady clock is the same in
//     both processes;
//   - main_to_paint_ms: the part of it after the child's main() began;
//   - idle_rss_MiB and idle_heap_MiB: resident memory and heap in use one
//     second after that frame, with nothing happening.
//
// BM_ShutdownWithCorpusLoaded starts the editor the same way, imports every
// script of the shared corpus (2,158 shaders) as `glazen FILE...` does, and
// times the shutdown: from the close request to the end of the process, as
// the parent sees it; close_ms is the part up to the window's closing.
//
//   xvfb-run -a build/bench/bin/bench_startup
#include "CKorvaApp.h"
#include "CKorvaDlg.h"
#include "Globals.h"
#include "KFileActions.h"
#include "MBaseViewWnd.h"
#include "MBaseViewWndList.h"
#include "MMaterial.h"
#include "MOpenGLSetup.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <QApplication>
#include <QOpenGLWidget>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;

long StatusKiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    return 0;
}

// The child: starts the editor's main window and reports its figures on
// standard output as "spawn_to_paint_ms main_to_paint_ms rss_kib heap_kib".
int RunChild(int argc, char** argv, Clock::time_point spawned, Clock::time_point start,
             bool shutdown)
{
    const std::string temp =
        std::filesystem::temp_directory_path() / ("glazen-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(temp + "/program");
    setenv("XDG_CONFIG_HOME", (temp + "/config").c_str(), 1);
    setenv("XDG_STATE_HOME", (temp + "/state").c_str(), 1);
    g_Config.m_ProgramFolder = (temp + "/program/").c_str();

    MPrepareOpenGL();
    QApplication app(argc, argv);
    double firstPaintMs = -1;
    double mainToPaintMs = -1;
    {
        CKorvaDlg window;
        window.Initialise();
        window.show();
        auto* view = qobject_cast<QOpenGLWidget*>(g_ViewPanes[0]);
        if (!view)
            return 1;
        QObject::connect(view, &QOpenGLWidget::frameSwapped, &app,
                         [&]
                         {
                             if (firstPaintMs >= 0)
                                 return;
                             const auto now = Clock::now();
                             firstPaintMs =
                                 std::chrono::duration<double, std::milli>(now - spawned).count();
                             mainToPaintMs =
                                 std::chrono::duration<double, std::milli>(now - start).count();
                             QTimer::singleShot(1000, &app, &QCoreApplication::quit);
                         });
        QTimer::singleShot(30000, &app, &QCoreApplication::quit);
        app.exec();
        const long rss = StatusKiB("VmRSS:");
        const long heap = static_cast<long>(mallinfo2().uordblks / 1024);
        g_SavePromptAnswered = true;
        if (!shutdown)
        {
            std::printf("%.3f %.3f %ld %ld\n", firstPaintMs, mainToPaintMs, rss, heap);
            std::fflush(stdout);
        }
        else
        {
            std::vector<MStr> scripts;
            for (const auto& e : std::filesystem::directory_iterator(
                     std::filesystem::path(GLAZEN_CORPUS_DIR) / "shaders" / "openarena"))
                if (e.path().extension() == ".shader")
                    scripts.emplace_back(e.path().c_str());
            OpenCommandLineFiles(scripts);
            long materials = 0;
            g_CurrentScene->ForEachNode(
                [&](MBaseObjectTreeNode* n)
                { materials += dynamic_cast<MMaterial*>(n->GetObject()) != nullptr; });
            // The close request comes while the event loop runs, as the
            // window manager's close button makes it, once the views have
            // drawn the imported scene.
            Clock::time_point closing;
            double closeMs = 0;
            QTimer::singleShot(
                500, &window,
                [&]
                {
                    closing = Clock::now();
                    window.close();
                    closeMs =
                        std::chrono::duration<double, std::milli>(Clock::now() - closing).count();
                });
            app.exec();
            std::printf("%lld %.3f %ld\n",
                        static_cast<long long>(closing.time_since_epoch().count()), closeMs,
                        materials);
            std::fflush(stdout);
        }
    }
    std::filesystem::remove_all(temp);
    return firstPaintMs >= 0 ? 0 : 1;
}

struct ChildFigures
{
    double spawnToPaintMs = 0;
    double mainToPaintMs = 0;
    long rssKiB = 0;
    long heapKiB = 0;
    bool ok = false;
};

// Starts this program as a child with the given flag; returns what it printed
// and whether it ended well, and when it ended.
bool Spawn(const char* mode, std::string& out, Clock::time_point& spawned, Clock::time_point& ended)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char self[] = "/proc/self/exe";
    std::string flag = mode;
    spawned = Clock::now();
    std::string stamp = std::to_string(spawned.time_since_epoch().count());
    char* args[] = {self, flag.data(), stamp.data(), nullptr};
    pid_t pid = 0;
    const int err = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (err != 0)
    {
        close(pipeFds[0]);
        return false;
    }
    char buf[256];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ended = Clock::now();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ChildFigures SpawnChild()
{
    ChildFigures f;
    std::string out;
    Clock::time_point spawned, ended;
    const bool endedWell = Spawn("--child", out, spawned, ended);
    f.ok = endedWell && std::sscanf(out.c_str(), "%lf %lf %ld %ld", &f.spawnToPaintMs,
                                    &f.mainToPaintMs, &f.rssKiB, &f.heapKiB) == 4;
    return f;
}

void BM_StartupToFirstPaint(benchmark::State& state)
{
    double rss = 0, heap = 0, fromMain = 0;
    int runs = 0;
    for (auto _ : state)
    {
        ChildFigures f = SpawnChild();
        if (!f.ok)
        {
            state.SkipWithError("the editor did not paint (is there a display? use xvfb-run)");
            return;
        }
        state.SetIterationTime(f.spawnToPaintMs / 1000.0);
        fromMain += f.mainToPaintMs;
        rss += f.rssKiB;
        heap += f.heapKiB;
        ++runs;
    }
    if (runs > 0)
    {
        state.counters["main_to_paint_ms"] = fromMain / runs;
        state.counters["idle_rss_MiB"] = rss / runs / 1024.0;
        state.counters["idle_heap_MiB"] = heap / runs / 1024.0;
    }
}
BENCHMARK(BM_StartupToFirstPaint)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_ShutdownWithCorpusLoaded(benchmark::State& state)
{
    double close = 0;
    int runs = 0;
    for (auto _ : state)
    {
        std::string out;
        Clock::time_point spawned, ended;
        long long closing = 0;
        double closeMs = 0;
        long materials = 0;
        if (!Spawn("--child-shutdown", out, spawned, ended) ||
            std::sscanf(out.c_str(), "%lld %lf %ld", &closing, &closeMs, &materials) != 3)
        {
            state.SkipWithError("the editor did not start or shut down (use xvfb-run)");
            return;
        }
        const Clock::time_point requested{Clock::duration{closing}};
        state.SetIterationTime(std::chrono::duration<double>(ended - requested).count());
        close += closeMs;
        state.counters["materials"] = double(materials);
        ++runs;
    }
    if (runs > 0)
        state.counters["close_ms"] = close / runs;
}
BENCHMARK(BM_ShutdownWithCorpusLoaded)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    const auto start = Clock::now();
    if (argc > 2 &&
        (std::strcmp(argv[1], "--child") == 0 || std::strcmp(argv[1], "--child-shutdown") == 0))
    {
        const Clock::time_point spawned{Clock::duration{std::atoll(argv[2])}};
        return RunChild(argc, argv, spawned, start, std::strcmp(argv[1], "--child-shutdown") == 0);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
