#include "ImageCommand.h"

#include "MImage.h"
#include "MSystemManager.h"
#include "MTranslator.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
int Usage(const char* what)
{
    std::fprintf(stderr, "glazen-cli: %s\nusage: glazen-cli image FILE -o OUT.ppm\n", what);
    return 2;
}

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0)
    {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Writes a binary netpbm picture (P6 colour or P5 grey) to a fresh file beside
// `target` and renames it over the target, so a failed write leaves any old
// file whole. Reports failures on stderr.
bool WriteNetpbm(const std::string& target, const char* magic, int width, int height,
                 const uint8_t* pixels, size_t bytes)
{
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
    {
        std::fprintf(stderr, "glazen-cli: cannot write '%s': %s\n", target.c_str(),
                     std::strerror(errno));
        return false;
    }
    char header[64];
    const int headerLength =
        std::snprintf(header, sizeof header, "%s\n%d %d\n255\n", magic, width, height);
    bool ok = WriteAll(fd, reinterpret_cast<const uint8_t*>(header), size_t(headerLength)) &&
              WriteAll(fd, pixels, bytes);
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok)
    {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0)
    {
        ok = false;
        error = errno;
    }
    if (!ok)
    {
        ::unlink(temp.c_str());
        std::fprintf(stderr, "glazen-cli: cannot write '%s': %s\n", target.c_str(),
                     std::strerror(error));
    }
    return ok;
}
} // namespace

std::string AlphaFileNameFor(const std::string& ppmName)
{
    const std::string ext = ".ppm";
    if (ppmName.size() > ext.size() &&
        MStr(ppmName.substr(ppmName.size() - ext.size())).CompareNoCase(ext.c_str()) == 0)
        return ppmName.substr(0, ppmName.size() - ext.size()) + ".alpha.pgm";
    return ppmName + ".alpha.pgm";
}

int RunImageCommand(MSystemManager& manager, const std::vector<std::string>& args)
{
    std::string input, output;
    for (size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "-o")
        {
            if (i + 1 >= args.size())
                return Usage("-o needs a file name");
            if (!output.empty())
                return Usage("more than one -o given");
            output = args[++i];
            if (output.empty())
                return Usage("-o needs a file name");
        }
        else if (input.empty() && !args[i].empty())
            input = args[i];
        else
            return Usage(("unexpected argument '" + args[i] + "'").c_str());
    }
    if (input.empty())
        return Usage("image needs a file");
    if (output.empty())
        return Usage("image needs -o OUT.ppm");

    // A file that cannot be opened is said to be so, not blamed on the
    // translators.
    const int probe = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (probe < 0)
    {
        std::fprintf(stderr, "glazen-cli: cannot open '%s': %s\n", input.c_str(),
                     std::strerror(errno));
        return 1;
    }
    ::close(probe);
    MImageTranslator* translator = manager.FindImageTranslatorThatImports(input);
    if (!translator)
    {
        std::fprintf(stderr, "glazen-cli: no image translator takes '%s'\n", input.c_str());
        return 1;
    }
    MImage image;
    if (!translator->ImportImage(input, &image) || !image.GetColourBuffer())
    {
        std::fprintf(stderr, "glazen-cli: %s could not read '%s'\n",
                     translator->ClassName().c_str(), input.c_str());
        return 1;
    }
    const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
    if (!WriteNetpbm(output, "P6", image.GetWidth(), image.GetHeight(), image.GetColourBuffer(),
                     pixels * 3))
        return 1;
    if (image.HasAlpha() && image.GetAlphaBuffer() &&
        !WriteNetpbm(AlphaFileNameFor(output), "P5", image.GetWidth(), image.GetHeight(),
                     image.GetAlphaBuffer(), pixels))
        return 1;
    return 0;
}
