// glazen-cli: runs the editor's translators in batch. It loads the plug-ins
// through the system manager exactly as the editor does.

#include "ImageCommand.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MTranslator.h"
#include "TexturesCommand.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char kUsage[] =
    "usage: glazen-cli [--plugins DIR] [--image-path PLACE]... COMMAND ARGS\n"
    "\n"
    "commands:\n"
    "  check FILE...          import each shader script and report what was read\n"
    "  list FILE...           print the shader names, one a line\n"
    "  convert IN... -o OUT   import every input and export all shaders to OUT\n"
    "  image FILE -o OUT.ppm  decode a texture to a PPM (and OUT.alpha.pgm for alpha)\n"
    "  textures FILE...       list each shader's textures and where they are found\n"
    "\n"
    "An image search PLACE is a folder (its .pk3 archives and .pk3dir folders\n"
    "are searched too) or a .pk3 archive.\n";

int UsageError(const char* what)
{
    std::fprintf(stderr, "glazen-cli: %s\n\n%s", what, kUsage);
    return 2;
}

// Sends log lines to a stream and counts them.
class StreamSink : public MOutputSink
{
  public:
    explicit StreamSink(FILE* out) : m_Out(out) {}
    void WriteLine(const char* line) override
    {
        ++count;
        if (m_Out)
            std::fprintf(m_Out, "%s\n", line);
    }
    long count = 0;

  private:
    FILE* m_Out;
};

// Keeps log lines to show later.
class KeepSink : public MOutputSink
{
  public:
    void WriteLine(const char* line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

struct SceneCounts
{
    int shaders = 0, stages = 0, nodes = 0;
};

SceneCounts CountScene(MScene* scene)
{
    SceneCounts c;
    scene->ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            const auto* material = dynamic_cast<const MMaterial*>(n->GetObject());
            if (!material)
                return;
            ++c.shaders;
            for (int i = 0; i < material->GetLayerCount(); ++i)
            {
                const MMaterialLayer* layer = material->GetLayer(i);
                if (!layer)
                    continue;
                if (i > 0)
                    ++c.stages;
                c.nodes += layer->GetShaderCount();
            }
        });
    return c;
}

// The translator for a script: the one that claims its name, else the first
// material translator, so scripts with other endings can still be read.
MMaterialTranslator* TranslatorFor(MSystemManager& manager, const std::string& file)
{
    if (MMaterialTranslator* t = manager.FindMaterialTranslatorThatImports(file))
        return t;
    return manager.GetMaterialTranslator(0);
}

int Check(MSystemManager& manager, const std::vector<std::string>& files, bool listOnly)
{
    MScene* scene = manager.GetScene();
    int status = 0;
    for (const std::string& file : files)
    {
        scene->ClearScene();
        StreamSink sink(listOnly ? nullptr : stdout);
        manager.SetConsoleOutput(&sink);
        const bool ok = TranslatorFor(manager, file)->ImportFile(file, scene);
        manager.SetConsoleOutput();
        if (!ok)
        {
            std::fprintf(stderr, "glazen-cli: cannot read '%s': %s\n", file.c_str(),
                         std::strerror(errno));
            status = 1;
            continue;
        }
        if (listOnly)
        {
            scene->ForEachNode(
                [](MBaseObjectTreeNode* n)
                {
                    if (dynamic_cast<const MMaterial*>(n->GetObject()))
                        std::printf("%s\n", n->GetObject()->GetName().c_str());
                });
            continue;
        }
        const SceneCounts c = CountScene(scene);
        std::printf("%s: %i shaders, %i stages, %i nodes, %li messages\n", file.c_str(), c.shaders,
                    c.stages, c.nodes, sink.count);
    }
    scene->ClearScene();
    return status;
}

int Convert(MSystemManager& manager, const std::vector<std::string>& args)
{
    std::vector<std::string> inputs;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "-o")
        {
            if (i + 1 >= args.size() || !output.empty())
                return UsageError("convert takes one -o OUT");
            output = args[++i];
        }
        else
            inputs.push_back(args[i]);
    }
    if (inputs.empty() || output.empty())
        return UsageError("convert needs input files and -o OUT");

    MScene* scene = manager.GetScene();
    StreamSink sink(stderr);
    manager.SetConsoleOutput(&sink);
    for (const std::string& in : inputs)
    {
        if (!TranslatorFor(manager, in)->ImportFile(in, scene))
        {
            manager.SetConsoleOutput();
            std::fprintf(stderr, "glazen-cli: cannot read '%s': %s\n", in.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    scene->SelectAllOf<MMaterial>();
    const bool ok = TranslatorFor(manager, output)->ExportFile(output, scene);
    manager.SetConsoleOutput();
    if (!ok)
    {
        std::fprintf(stderr, "glazen-cli: cannot write '%s'\n", output.c_str());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    MSystemManager manager;
    SetSystemManager(&manager);

    size_t i = 0;
    std::string pluginDir;
    for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i)
    {
        if (args[i] == "--help")
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (i + 1 >= args.size())
            return UsageError((args[i] + " needs a folder").c_str());
        if (args[i] == "--plugins")
            pluginDir = args[++i];
        else if (args[i] == "--image-path")
            manager.GetImageSearchPaths().AddString(args[++i]);
        else
            return UsageError(("unknown option " + args[i]).c_str());
    }
    if (i >= args.size())
        return UsageError("no command given");
    const std::string command = args[i];
    const std::vector<std::string> rest(args.begin() + long(i) + 1, args.end());
    if (command != "check" && command != "list" && command != "convert" && command != "image" &&
        command != "textures")
        return UsageError(("unknown command " + command).c_str());
    if (rest.empty())
        return UsageError((command + " needs files").c_str());

    if (!pluginDir.empty())
        manager.SetProgramFolder(pluginDir);
    // The loader's lines are shown only when no shader translator came of it.
    KeepSink loadLog;
    manager.SetConsoleOutput(&loadLog);
    manager.FindAndLoadDLLs("*.DLM", true, true);
    manager.FindAndLoadDLLs("*.DLF", true, true);
    manager.SetConsoleOutput();
    if (manager.GetTranslatorCount(TRANSLATOR_MATERIAL) == 0)
    {
        for (const std::string& l : loadLog.lines)
            std::fprintf(stderr, "%s\n", l.c_str());
        std::fprintf(stderr, "glazen-cli: no shader translator in '%s' (is Pellow.dlf there?)\n",
                     manager.GetProgramFolder().c_str());
        return 1;
    }

    if (command == "image")
    {
        // The translators say why an image was refused; show it.
        StreamSink reasons(stderr);
        manager.SetConsoleOutput(&reasons);
        const int status = RunImageCommand(manager, rest);
        manager.SetConsoleOutput();
        return status;
    }
    if (command == "convert")
        return Convert(manager, rest);
    if (command == "textures")
        return RunTexturesCommand(manager, rest);
    return Check(manager, rest, command == "list");
}
