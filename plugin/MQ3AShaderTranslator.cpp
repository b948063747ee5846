#include "MQ3AShaderTranslator.h"

#include "MFile.h"
#include "MQ3AShaderReader.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MSystemManager.h"

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
    std::string text;
    const MFileResult read = MFile::ReadWhole(fileName, text, kMaxScriptBytes);
    if (!read)
    {
        if (read.code == MFILE_TOO_LARGE)
            Log("Q3AShaderImport: Error - '%s' not read: %s", fileName.c_str(),
                read.reason.c_str());
        return false;
    }
    MQ3AShaderReader reader(std::move(text), scene);
    reader.ReadAll();
    return true;
}

bool MQ3AShaderTranslator::ExportFile(MStr fileName, MScene* scene)
{
    MQ3AShaderWriter writer;
    if (scene)
        writer.WriteScene(scene);
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
