// Structure edits on a scene of the whole corpus (every shader script
// imported, about 25,000 objects) and the scene outline's redraw.
//
// Figures: the time of Select All, of Duplicate and of Delete of every
// shader, and of the Undo of each (limit: 1 s each); the time of one outline
// redraw of a 300 x 700 view at 1,000 objects and at the whole corpus (limit:
// 16 ms, and at most 1.5 times as long at the corpus as at 1,000), with the
// rows unchanged since the last redraw and, for comparison, right after a
// change of the tree's shape (when the rows are derived again).
//
//   cmake --preset bench && cmake --build build/bench --target bench_structure
//   QT_QPA_PLATFORM=offscreen build/bench/bin/bench_structure

#include "BenchCorpus.h"
#include "CSceneViewWnd.h"
#include "Globals.h"
#include "KActions.h"
#include "KUndoActions.h"
#include "MMaterial.h"
#include "MQ3AShaderTranslator.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace
{
constexpr double kActionLimitMs = 1000.0;
constexpr double kRedrawLimitMs = 16.0;
constexpr double kRedrawRatioLimit = 1.5;
bool g_AllWithin = true;

template <class F> double TimeMs(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void Report(const char* what, double ms, double limit)
{
    const bool within = ms <= limit;
    g_AllWithin = g_AllWithin && within;
    std::printf("%-34s %9.2f ms  (limit %.0f ms) %s\n", what, ms, limit,
                within ? "within" : "OVER");
}

void SelectMaterials(MScene& scene)
{
    scene.SelectNone();
    scene.SelectAllOf<MMaterial>();
}

// The median time of one outline paint into an image of the view's size.
double RedrawMs(CSceneViewWnd& view, bool shapeChanged, MScene& scene)
{
    QImage image(view.size(), QImage::Format_RGB32);
    std::vector<double> times;
    MRef<MBaseObject> marker(new MMaterial());
    for (int i = 0; i < 51; ++i)
    {
        if (shapeChanged)
        {
            // Adding and removing a top-level object changes the shape.
            scene.AddObject(marker.Get());
            scene.DeleteObject(marker.Get());
        }
        times.push_back(TimeMs(
            [&]
            {
                QPainter painter(&image);
                view.Paint(painter);
            }));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MSystemManager& sys = g_SystemManager;
    SetSystemManager(&sys);
    MScene* scene = sys.GetScene();
    g_CurrentScene = scene;
    // The undo lists as the main window sets them up.
    g_UndoList.SetOpposite(&g_RedoList);
    g_UndoList.SetClearsOpposite(true);
    g_RedoList.SetOpposite(&g_UndoList);

    const std::vector<std::string> scripts = CorpusFiles();

    // A scene of about 1,000 objects from the first scripts, for the outline.
    MQ3AShaderTranslator translator;
    size_t used = 0;
    while (used < scripts.size() && scene->GetObjectCount() < 1000)
        translator.ImportFile(scripts[used++].c_str(), scene);
    CSceneViewWnd view;
    view.resize(300, 700);
    const int smallCount = scene->GetObjectCount();
    const double smallRedraw = RedrawMs(view, false, *scene);
    const double smallRebuild = RedrawMs(view, true, *scene);

    const double importMs = TimeMs(
        [&]
        {
            for (; used < scripts.size(); ++used)
                translator.ImportFile(scripts[used].c_str(), scene);
        });
    const int objects = scene->GetObjectCount();
    int materials = 0;
    scene->ForEachNode([&](MBaseObjectTreeNode* n)
                       { materials += dynamic_cast<MMaterial*>(n->GetObject()) != nullptr; });
    std::printf("corpus scene: %d objects, %d shaders, imported in %.0f ms\n", objects, materials,
                importMs);

    const double largeRedraw = RedrawMs(view, false, *scene);
    const double largeRebuild = RedrawMs(view, true, *scene);

    Report("Select All", TimeMs([] { KEditSelectAll(); }), kActionLimitMs);
    SelectMaterials(*scene);
    Report("Duplicate every shader", TimeMs([] { KObjectDuplicateSelected(); }), kActionLimitMs);
    std::printf("  (%d objects after)\n", scene->GetObjectCount());
    Report("Undo Duplicate", TimeMs([] { KEditUndo(); }), kActionLimitMs);
    Report("Redo Duplicate", TimeMs([] { KEditRedo(); }), kActionLimitMs);
    Report("Undo Duplicate again", TimeMs([] { KEditUndo(); }), kActionLimitMs);
    SelectMaterials(*scene);
    Report("Delete every shader", TimeMs([] { KObjectDeleteSelected(); }), kActionLimitMs);
    std::printf("  (%d objects after)\n", scene->GetObjectCount());
    Report("Undo Delete", TimeMs([] { KEditUndo(); }), kActionLimitMs);
    Report("Select None", TimeMs([] { KEditSelectNone(); }), kActionLimitMs);
    Report("Undo Select None", TimeMs([] { KEditUndo(); }), kActionLimitMs);
    Report("Select Inverse", TimeMs([] { KEditSelectInverse(); }), kActionLimitMs);
    Report("Undo Select Inverse", TimeMs([] { KEditUndo(); }), kActionLimitMs);
    MStr problem;
    if (!scene->CheckStructure(&problem))
    {
        std::printf("structure check failed: %s\n", problem.c_str());
        g_AllWithin = false;
    }

    std::printf("outline redraw at %d objects: %.3f ms, at %d objects: %.3f ms\n", smallCount,
                smallRedraw, objects, largeRedraw);
    Report("Outline redraw (corpus)", largeRedraw, kRedrawLimitMs);
    const double ratio = largeRedraw / std::max(smallRedraw, 1e-6);
    std::printf("%-34s %9.2f x   (limit %.1f x) %s\n", "Outline redraw corpus / 1,000", ratio,
                kRedrawRatioLimit, ratio <= kRedrawRatioLimit ? "within" : "OVER");
    g_AllWithin = g_AllWithin && ratio <= kRedrawRatioLimit;
    std::printf("outline redraw after a shape change (rows derived again): %.3f ms at %d, "
                "%.3f ms at %d objects\n",
                smallRebuild, smallCount, largeRebuild, objects);

    g_UndoList.Purge();
    g_RedoList.Purge();
    scene->ClearScene();
    g_CurrentScene = nullptr;
    return g_AllWithin ? 0 : 1;
}
