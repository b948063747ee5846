#include "MQ3AShaderTranslator.h"

#include "MQ3AShaderReader.h"
#include "MQ3AShaderWriter.h"
#include "MScene.h"
#include "MSystemManager.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Scripts far beyond any real one are refused rather than read into memory.
constexpr long kMaxScriptBytes = 256L * 1024 * 1024;

template <class... A> void Log(const char* fmt, A... args)
{
    if (MSystemManager* m = GetSystemManager())
        m->LogOutput(fmt, args...);
}

// Writes text to a temporary file beside the target and renames it over the
// target, so a failed write leaves the old file as it was. Returns an empty
// text on success, else the reason; `created` tells whether the file could be
// made at all.
MStr WriteWholeFile(const MStr& target, const std::string& text, bool& created)
{
    std::string tmp = target.str() + ".XXXXXX";
    const int fd = mkstemp(tmp.data());
    created = fd >= 0;
    if (fd < 0)
        return MStr(std::strerror(errno));
    // New files get the usual permissions; a replaced file keeps its own.
    struct stat st;
    mode_t mode;
    if (stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else
    {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    MStr error;
    size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            error = std::strerror(errno);
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (error.IsEmpty() && fsync(fd) != 0)
        error = std::strerror(errno);
    if (close(fd) != 0 && error.IsEmpty())
        error = std::strerror(errno);
    if (error.IsEmpty() && rename(tmp.c_str(), target.c_str()) != 0)
        error = std::strerror(errno);
    if (!error.IsEmpty())
        unlink(tmp.c_str());
    return error;
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
    FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f)
        return false;
    std::string text;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    if (size < 0 || size > kMaxScriptBytes)
    {
        Log("Q3AShaderImport: Error - '%s' is not a readable shader script", fileName.c_str());
        std::fclose(f);
        return false;
    }
    std::rewind(f);
    text.resize(static_cast<size_t>(size));
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);

    MQ3AShaderReader reader(std::move(text), scene);
    reader.ReadAll();
    return true;
}

bool MQ3AShaderTranslator::ExportFile(MStr fileName, MScene* scene)
{
    MQ3AShaderWriter writer;
    if (scene)
        writer.WriteScene(scene);
    bool created = false;
    const MStr error = WriteWholeFile(fileName, writer.GetText(), created);
    if (error.IsEmpty())
        return true;
    if (!created)
        Log("Q3AShader: Error - Could not open file '%s' for writing", fileName.c_str());
    else
        Log("Q3AShader: Error - Could not write file '%s': %s", fileName.c_str(), error.c_str());
    return false;
}
