#pragma once

// Shared parts of the benchmarks that draw in an editor view.

#include "Globals.h"
#include "MBaseViewWnd.h"
#include "MOpenGLSetup.h"
#include "MSystemManager.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The console output, keeping each benchmark's time for a comparison at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
  public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    // Prints how many times as long BM_Redraw/large took as BM_Redraw/small;
    // 1 when that is over the limit, else 0 (also when either did not run).
    int CheckRedrawRatio(int small, int large, double limit) const
    {
        const auto s = times.find("BM_Redraw/" + std::to_string(small));
        const auto l = times.find("BM_Redraw/" + std::to_string(large));
        if (s == times.end() || l == times.end() || s->second <= 0)
            return 0;
        const double ratio = l->second / s->second;
        std::printf("redraw %d / %d materials: %.2f times as long (limit %.1f): %s\n", large, small,
                    ratio, limit, ratio <= limit ? "within" : "OVER");
        return ratio <= limit ? 0 : 1;
    }

    std::map<std::string, double> times;
};

// Sets the view up as a 1000 x 700 window of the given name, shows it and
// waits up to ten seconds for its OpenGL context; false, with a message, when
// there is none.
inline bool ShowWithContext(MBaseViewWnd& view, const char* name)
{
    view.resize(1000, 700);
    view.InitView();
    view.SetViewName(name);
    view.show();
    QElapsedTimer waited;
    waited.start();
    while (!view.isValid() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!view.isValid())
    {
        std::fprintf(stderr, "no OpenGL context: run on an X display (xvfb-run, "
                             "QT_QPA_PLATFORM=xcb)\n");
        return false;
    }
    QCoreApplication::processEvents();
    return true;
}

// Runs the benchmarks asked for, then checks the redraw ratio as
// RatioReporter::CheckRedrawRatio does.
inline int RunAndCheckRedrawRatio(int small, int large, double limit)
{
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.CheckRedrawRatio(small, large, limit);
}

// Before the application object: views draw with OpenGL on X when there is
// a display.
inline void PrepareViewBenchmark()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    MPrepareOpenGL();
}

// After it: the editor's system manager with the translator plug-ins.
inline MSystemManager& LoadBenchmarkPlugins()
{
    MSystemManager& sys = g_SystemManager;
    SetSystemManager(&sys);
    sys.FindAndLoadDLLs("*.DLF", false, true);
    return sys;
}
