#include "TexturesCommand.h"

#include "MArchiveCache.h"
#include "MBaseShaderNode.h"
#include "MMaterial.h"
#include "MMaterialLayer.h"
#include "MScene.h"
#include "MSystemManager.h"
#include "MTextureCache.h"
#include "MTranslator.h"

#include <cstdio>
#include <set>

namespace
{
// Sends log lines to stderr.
class ErrorSink : public MOutputSink
{
  public:
    void WriteLine(const char* line) override { std::fprintf(stderr, "%s\n", line); }
};

std::string WithoutTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// The texture names of a shader, in the order its stages name them, each once.
std::vector<std::string> TexturesOf(const MMaterial& material)
{
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (int l = 0; l < material.GetLayerCount(); ++l)
    {
        const MMaterialLayer* layer = material.GetLayer(l);
        for (int s = 0; layer && s < layer->GetShaderCount(); ++s)
        {
            const MBaseShaderNode* node = layer->GetShader(s);
            for (int p = 0; node && p < node->GetParamCount(); ++p)
            {
                const MParameterObject* param = node->GetParam(p);
                if (!param || param->GetType() != PARAM_FILENAME)
                    continue;
                const std::string name = param->GetValue().str();
                if (name.empty() || name[0] == '$' || name[0] == '*')
                    continue;
                if (seen.insert(name).second)
                    names.push_back(name);
            }
        }
    }
    return names;
}
} // namespace

std::string DescribeTextureLocation(const MSystemManager& manager, const std::string& path)
{
    for (const MStr& placeName : manager.GetImageSearchPaths())
    {
        std::string place = WithoutTrailingSlash(placeName.str());
        for (char& c : place)
            if (c == '\\')
                c = '/';
        if (place.empty() || path.size() <= place.size() + 1 || path[place.size()] != '/' ||
            !EqualsNoCase(std::string_view(path).substr(0, place.size()), place))
            continue;
        std::string rest = path.substr(place.size() + 1);
        if (MArchiveCache::IsArchiveName(place))
        {
            // The place is an archive: its folder, its name, the member.
            const size_t slash = place.rfind('/');
            const std::string folder = slash == std::string::npos ? "." : place.substr(0, slash);
            return "folder " + folder + ", archive " + place.substr(slash + 1) + ", member " + rest;
        }
        const size_t slash = rest.find('/');
        if (slash != std::string::npos &&
            (MArchiveCache::IsArchiveName(rest.substr(0, slash)) ||
             MArchiveCache::IsArchiveFolderName(rest.substr(0, slash))))
            return "folder " + place + ", archive " + rest.substr(0, slash) + ", member " +
                   rest.substr(slash + 1);
        return "folder " + place + ", file " + rest;
    }
    return "file " + path;
}

int RunTexturesCommand(MSystemManager& manager, const std::vector<std::string>& files)
{
    if (files.empty())
    {
        std::fprintf(stderr, "glazen-cli: textures needs files\n");
        return 2;
    }
    MScene* scene = manager.GetScene();
    ErrorSink sink;
    int status = 0;
    long named = 0, missing = 0;
    for (const std::string& file : files)
    {
        scene->ClearScene();
        MMaterialTranslator* translator = manager.FindMaterialTranslatorThatImports(file);
        if (!translator)
            translator = manager.GetMaterialTranslator(0);
        // The reader's own messages are the check command's; the look-ups'
        // (archives skipped) are shown.
        manager.SetConsoleOutput();
        const bool read = translator && translator->ImportFile(file, scene);
        manager.SetConsoleOutput(&sink);
        if (!read)
        {
            std::fprintf(stderr, "glazen-cli: cannot read '%s'\n", file.c_str());
            status = 1;
            continue;
        }
        std::printf("%s\n", file.c_str());
        scene->ForEachNode(
            [&](MBaseObjectTreeNode* n)
            {
                const auto* material = dynamic_cast<const MMaterial*>(n->GetObject());
                if (!material)
                    return;
                std::printf("  %s\n", material->GetName().c_str());
                for (const std::string& name : TexturesOf(*material))
                {
                    ++named;
                    const MStr path = MTextureCache::Instance().ResolveImageName(name);
                    if (path.IsEmpty())
                    {
                        ++missing;
                        std::printf("    %s: missing\n", name.c_str());
                    }
                    else
                        std::printf("    %s: %s\n", name.c_str(),
                                    DescribeTextureLocation(manager, path.str()).c_str());
                }
            });
    }
    scene->ClearScene();
    manager.SetConsoleOutput();
    std::printf("%ld textures named, %ld found, %ld missing\n", named, named - missing, missing);
    return missing > 0 ? 1 : status;
}
