#include "MTextureCache.h"

#include "MImage.h"
#include "MSystemManager.h"
#include "MTranslator.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#ifndef GL_GENERATE_MIPMAP
#define GL_GENERATE_MIPMAP 0x8191
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace
{
// What the current context can do with textures.
struct TextureCaps
{
    bool npot = false;           // sizes other than powers of two
    bool clampToEdge = false;    // GL_CLAMP_TO_EDGE (1.2)
    bool generateMipmap = false; // GL_GENERATE_MIPMAP (1.4)
    int maxSize = 64;
};

TextureCaps QueryCaps()
{
    TextureCaps caps;
    int major = 1, minor = 0;
    if (const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
    {
        if (std::sscanf(version, "%d.%d", &major, &minor) != 2)
            major = 1, minor = 0;
    }
    const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const auto atLeast = [&](int ma, int mi) { return major > ma || (major == ma && minor >= mi); };
    caps.npot =
        atLeast(2, 0) || (extensions && std::strstr(extensions, "GL_ARB_texture_non_power_of_two"));
    caps.clampToEdge = atLeast(1, 2);
    caps.generateMipmap = atLeast(1, 4);
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    if (maxSize >= 64)
        caps.maxSize = maxSize;
    return caps;
}

// The power of two nearest to n (ties upwards), at most limit.
int NearestPowerOfTwo(int n, int limit)
{
    int p = 1;
    while (p < n && p < limit)
        p *= 2;
    if (p > n && p / 2 >= 1 && n - p / 2 < p - n)
        p /= 2;
    return std::min(p, limit);
}

// Nearest-neighbour resampling into out (tw x th), for when GLU cannot scale.
void ResampleNearest(const uint8_t* src, int w, int h, int tw, int th, uint8_t* out)
{
    for (int y = 0; y < th; ++y)
    {
        const int sy = int(int64_t(y) * h / th);
        for (int x = 0; x < tw; ++x)
        {
            const int sx = int(int64_t(x) * w / tw);
            std::memcpy(&out[(size_t(y) * size_t(tw) + size_t(x)) * 4],
                        &src[(size_t(sy) * size_t(w) + size_t(sx)) * 4], 4);
        }
    }
}

void SetPixelStoreDefaults()
{
    for (GLenum p : {GL_UNPACK_ROW_LENGTH, GL_UNPACK_SKIP_ROWS, GL_UNPACK_SKIP_PIXELS,
                     GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS})
        glPixelStorei(p, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_PACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_PACK_LSB_FIRST, GL_FALSE);
}

// Makes a texture of w x h RGBA pixels (rows from the top, which texture
// coordinate t = 0 shows) and leaves it bound. 0 when OpenGL refuses.
GLuint Upload(const uint8_t* rgba, int w, int h, bool smooth, bool powerOfTwoOnly)
{
    TextureCaps caps = QueryCaps();
    caps.npot = caps.npot && !powerOfTwoOnly;
    int tw = std::min(w, caps.maxSize), th = std::min(h, caps.maxSize);
    if (!caps.npot)
    {
        tw = NearestPowerOfTwo(w, caps.maxSize);
        th = NearestPowerOfTwo(h, caps.maxSize);
    }
    // Memory is taken before any OpenGL state changes, so running out of it
    // leaves nothing half done.
    std::vector<uint8_t> scaled;
    if (tw != w || th != h)
        scaled.resize(size_t(tw) * size_t(th) * 4);

    // Earlier errors are not ours; clear them so the check below sees only the upload's.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i)
    {
    }
    GLuint id = 0;
    glGenTextures(1, &id);
    if (id == 0)
        return 0;
    glBindTexture(GL_TEXTURE_2D, id);

    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    SetPixelStoreDefaults();
    const uint8_t* pixels = rgba;
    if (!scaled.empty())
    {
        if (gluScaleImage(GL_RGBA, w, h, GL_UNSIGNED_BYTE, rgba, tw, th, GL_UNSIGNED_BYTE,
                          scaled.data()) != 0)
            ResampleNearest(rgba, w, h, tw, th, scaled.data());
        pixels = scaled.data();
    }

    GLint minFilter = smooth ? GL_LINEAR : GL_NEAREST;
    if (smooth && caps.generateMipmap)
    {
        // Swatches are much smaller than their textures; mipmaps keep them from shimmering.
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
        minFilter = GL_LINEAR_MIPMAP_LINEAR;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, smooth ? GL_LINEAR : GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();

    if (glGetError() != GL_NO_ERROR)
    {
        glDeleteTextures(1, &id);
        return 0;
    }
    return id;
}

std::vector<uint8_t> ToRGBA(const MImage& image)
{
    const size_t pixels = size_t(image.GetWidth()) * size_t(image.GetHeight());
    std::vector<uint8_t> out(pixels * 4);
    const uint8_t* colour = image.GetColourBuffer();
    const uint8_t* alpha = image.GetAlphaBuffer();
    for (size_t i = 0; i < pixels; ++i)
    {
        out[i * 4 + 0] = colour[i * 3 + 0];
        out[i * 4 + 1] = colour[i * 3 + 1];
        out[i * 4 + 2] = colour[i * 3 + 2];
        out[i * 4 + 3] = alpha ? alpha[i] : 255;
    }
    return out;
}

// Checkerboard of size x size pixels in cells of `cell` pixels.
std::vector<uint8_t> Checkerboard(int size, int cell, const uint8_t a[4], const uint8_t b[4])
{
    std::vector<uint8_t> out(size_t(size) * size_t(size) * 4);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const uint8_t* c = ((x / cell + y / cell) & 1) ? b : a;
            std::memcpy(&out[(size_t(y) * size_t(size) + size_t(x)) * 4], c, 4);
        }
    return out;
}

// The same name with the other image extensions the game tries when a file
// is missing, in the game's order; none for other extensions.
std::vector<MStr> OtherExtensions(const MStr& name)
{
    const int dot = static_cast<int>(name.str().rfind('.'));
    if (dot < 0 || name.str().find('/', size_t(dot)) != std::string::npos)
        return {};
    const MStr ext = name.Mid(dot);
    if (!ext.EqualsNoCase(".tga") && !ext.EqualsNoCase(".png") && !ext.EqualsNoCase(".jpg") &&
        !ext.EqualsNoCase(".jpeg"))
        return {};
    std::vector<MStr> out;
    for (const char* other : {".tga", ".png", ".jpg"})
        if (!ext.EqualsNoCase(other))
            out.push_back(name.Left(dot) + other);
    return out;
}
} // namespace

MTextureCache& MTextureCache::Instance()
{
    static MTextureCache cache;
    return cache;
}

MStr MTextureCache::ResolveImageName(const MStr& name)
{
    MSystemManager* sys = GetSystemManager();
    if (!sys || name.IsEmpty())
        return MStr();
    // The same name may stand for another file once the search places change.
    std::string key;
    for (const MStr& place : sys->GetImageSearchPaths())
        key += place.str() + '\n';
    key += '\n';
    key += name.str();

    const auto now = std::chrono::steady_clock::now();
    auto it = m_Lookups.find(key);
    if (it != m_Lookups.end() && (!it->second.path.empty() || now - it->second.when < kMissRetry))
        return MStr(it->second.path);

    MStr path = sys->FindImageFile(name);
    if (path.IsEmpty())
        for (const MStr& other : OtherExtensions(name))
            if (!(path = sys->FindImageFile(other)).IsEmpty())
                break;
    m_Lookups[key] = Lookup{path.str(), now};
    return path;
}

const MImage* MTextureCache::GetImage(const MStr& path)
{
    if (path.IsEmpty())
        return nullptr;
    auto [it, inserted] = m_Pictures.try_emplace(path.str());
    if (!inserted)
        return it->second.image.get();

    ++m_Decodes;
    MSystemManager* sys = GetSystemManager();
    MImageTranslator* translator = sys ? sys->FindImageTranslatorThatImports(path) : nullptr;
    bool read = false;
    auto image = std::make_unique<MImage>();
    try
    {
        read = translator && translator->ImportImage(path, image.get()) &&
               MImage::IsValidSize(image->GetWidth(), image->GetHeight()) &&
               image->GetColourBuffer();
    }
    catch (const std::bad_alloc&)
    {
        read = false;
    }
    if (read)
        it->second.image = std::move(image);
    else
        ReportOnce("read\n" + path.str(),
                   MStr::Printf("Texture '%s' could not be read.", path.c_str()));
    return it->second.image.get();
}

unsigned* MTextureCache::FindTexture(std::vector<GroupTexture>& list, const void* group)
{
    for (GroupTexture& t : list)
        if (t.group == group)
            return &t.texture;
    return nullptr;
}

bool MTextureCache::BindImage(const MStr& name)
{
    const MStr path = ResolveImageName(name);
    if (path.IsEmpty())
    {
        if (!name.IsEmpty())
            ReportOnce("find\n" + name.str(),
                       MStr::Printf("Texture '%s' not found.", name.c_str()));
        BindMissingPattern();
        return false;
    }
    const MImage* image = GetImage(path);
    if (!image)
    {
        BindMissingPattern();
        return false;
    }
    Picture& picture = m_Pictures[path.str()];
    const void* group = CurrentGroup();
    if (unsigned* texture = FindTexture(picture.textures, group))
    {
        glBindTexture(GL_TEXTURE_2D, *texture);
        return true;
    }
    GLuint texture = 0;
    try
    {
        const std::vector<uint8_t> rgba = ToRGBA(*image);
        texture =
            Upload(rgba.data(), image->GetWidth(), image->GetHeight(), true, m_PowerOfTwoOnly);
    }
    catch (const std::bad_alloc&)
    {
        texture = 0;
    }
    if (texture == 0)
    {
        ReportOnce("upload\n" + path.str(),
                   MStr::Printf("Texture '%s' could not be loaded into OpenGL.", path.c_str()));
        BindMissingPattern();
        return false;
    }
    picture.textures.push_back({group, texture});
    return true;
}

void MTextureCache::BindPattern(int which)
{
    const void* group = CurrentGroup();
    if (unsigned* texture = FindTexture(m_Patterns[which], group))
    {
        glBindTexture(GL_TEXTURE_2D, *texture);
        return;
    }
    static const uint8_t kMagenta[4] = {255, 0, 255, 255}, kBlack[4] = {0, 0, 0, 255};
    static const uint8_t kWhite[4] = {255, 255, 255, 255}, kGrey[4] = {160, 160, 160, 255};
    // Missing: 64 pixels in 8 cells a side, drawn sharp. Neutral: 4 cells a side.
    const std::vector<uint8_t> pixels =
        which == 0 ? Checkerboard(64, 8, kMagenta, kBlack) : Checkerboard(64, 16, kWhite, kGrey);
    const GLuint texture = Upload(pixels.data(), 64, 64, which != 0, false);
    if (texture != 0)
        m_Patterns[which].push_back({group, texture});
}

void MTextureCache::BindMissingPattern()
{
    BindPattern(0);
}

void MTextureCache::BindNeutralPattern()
{
    BindPattern(1);
}

void MTextureCache::ReleaseGLTextures()
{
    const void* group = CurrentGroup();
    const auto release = [group](std::vector<GroupTexture>& list)
    {
        for (auto it = list.begin(); it != list.end();)
        {
            if (it->group == group)
            {
                const GLuint texture = it->texture;
                glDeleteTextures(1, &texture);
                it = list.erase(it);
            }
            else
                ++it;
        }
    };
    for (auto& [path, picture] : m_Pictures)
        release(picture.textures);
    release(m_Patterns[0]);
    release(m_Patterns[1]);
}

void MTextureCache::ForgetShareGroup(const void* group)
{
    const auto forget = [group](std::vector<GroupTexture>& list)
    { std::erase_if(list, [group](const GroupTexture& t) { return t.group == group; }); };
    for (auto& [path, picture] : m_Pictures)
        forget(picture.textures);
    forget(m_Patterns[0]);
    forget(m_Patterns[1]);
}

void MTextureCache::Clear()
{
    m_Lookups.clear();
    m_Pictures.clear();
    m_Patterns[0].clear();
    m_Patterns[1].clear();
    m_Reported.clear();
    m_Decodes = 0;
    m_PowerOfTwoOnly = false;
}

void MTextureCache::ReportOnce(const std::string& key, const MStr& line)
{
    if (!m_Reported.insert(key).second)
        return;
    if (MSystemManager* sys = GetSystemManager())
        sys->LogLine(line);
}

unsigned MTextureCache::ClampWrapMode()
{
    return QueryCaps().clampToEdge ? GL_CLAMP_TO_EDGE : GL_CLAMP;
}
