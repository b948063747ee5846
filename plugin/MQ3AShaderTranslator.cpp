#include "MQ3AShaderTranslator.h"

#include "MFile.h"
#include "MQ3AShaderReader.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <exception>

namespace
{
// Scripts far beyond any real one are refused rather than read into memory.
constexpr size_t kMaxScriptBytes = size_t(256) << 20;

template <class... A> void Log(const char* fmt, A... args)
{
    if (MSystemManager* m = GetSystemManager())
        m->LogOutput(fmt, args...);
}
} // namespace

bool MQ3AShaderTranslator::CanImportFile(MStr fileName)
{
    MStr ext;
    fileName.SplitPath(nullptr, nullptr, nullptr, &ext);
    return ext.CompareNoCase(".shader") == 0;
}

bool MQ3AShaderTranslator::ImportFile(MStr fileName, MScene* scene)
{
    if (!scene)
        return false;
    // Nothing thrown may leave the plug-in: the editor and the library see
    // only true or false.
    try
    {
        std::string text;
        const MFileResult read = MFile::ReadWhole(fileName, text, kMaxScriptBytes);
        if (!read)
        {
            if (read.code == MFILE_TOO_LARGE)
                Log("Q3AShaderImport: Error - '%s' not read: %s", fileName.c_str(),
                    read.reason.c_str());
            return false;
        }
        // A shader script is text; NUL bytes mean a program or some other
        // binary file that happens to carry the extension.
        if (text.find('\0') != std::string::npos)
        {
            Log("Q3AShaderImport: Error - '%s' is not a shader script: it holds NUL bytes",
                fileName.c_str());
            return false;
        }
        MQ3AShaderReader reader(std::move(text), scene);
        reader.ReadAll();
        if (reader.GetMaterialsAdded() == 0)
            Log("Q3AShaderImport: Warning - '%s' holds no shaders", fileName.c_str());
        return true;
    }
    catch (const std::exception& e)
    {
        Log("Q3AShaderImport: Error - '%s' not read: %s", fileName.c_str(), e.what());
        return false;
    }
}

bool MQ3AShaderTranslator::ExportFile(MStr fileName, MScene* scene)
{
    try
    {
        MQ3AShaderWriter writer;
        if (scene && !writer.WriteScene(scene))
            return false;
        // The old file stays as it was unless the whole new text was written.
        const MFileResult written = MFile::WriteWhole(fileName, writer.GetText());
        if (written)
            return true;
        if (written.code == MFILE_WRITE_ERROR)
            Log("Q3AShader: Error - Could not write file '%s': %s", fileName.c_str(),
                written.reason.c_str());
        else
            Log("Q3AShader: Error - Could not open file '%s' for writing", fileName.c_str());
        return false;
    }
    catch (const std::exception& e)
    {
        Log("Q3AShader: Error - Could not write file '%s': %s", fileName.c_str(), e.what());
        return false;
    }
}
