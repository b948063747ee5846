#pragma once

// Textures for the shader nodes' swatches. Each image file is found once,
// decoded once per process (keyed by its resolved path) and uploaded once
// per OpenGL share group. Every OpenGL view of the editor shares one group,
// so by default all contexts are taken as one; a program whose contexts do
// not share can hand in a function that tells the groups apart.
//
// Used from the drawing thread only.

#include "MStr.h"

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class MImage;

class MTextureCache
{
  public:
    static MTextureCache& Instance();

    // The full path of an image name in the system manager's image search
    // places. A name whose file is missing is also looked up with the other
    // image extensions (.tga, .png, .jpg), as the game does. Empty when none
    // is there. Found names are remembered; missing ones are looked
    // up again after a short while, so a file added later turns up.
    MStr ResolveImageName(const MStr& name);
    // The decoded picture of a resolved path, read through the image
    // translators the first time it is asked for; null when it cannot be
    // read (logged once).
    const MImage* GetImage(const MStr& path);

    // Binds the texture of an image name to GL_TEXTURE_2D in the current
    // context, uploading it the first time. A name that cannot be found or
    // read binds the missing-texture pattern instead and is logged once.
    // True when the image itself was bound. Needs a current context.
    bool BindImage(const MStr& name);
    // A magenta and black checkerboard of 8 by 8 cells: a texture that is not there.
    void BindMissingPattern();
    // A grey and white checkerboard that shows what a texture-coordinate
    // modifier does when no texture is bound.
    void BindNeutralPattern();

    // The wrap mode of a clamped map in the current context: GL_CLAMP_TO_EDGE
    // where there is one (no border colour bleeding in), else GL_CLAMP.
    static unsigned ClampWrapMode();

    // Deletes the texture names of the current context's share group; a
    // context of that group must be current.
    void ReleaseGLTextures();
    // Forgets the texture names of a share group without OpenGL calls, for
    // a group whose last context is gone.
    void ForgetShareGroup(const void* group);
    // Forgets everything (paths, pictures, texture names, reported names)
    // without OpenGL calls.
    void Clear();

    // Tells share groups apart: returns a key of the current context's
    // group. Null (the default) takes every context as one group.
    using ShareGroupFunction = const void* (*)();
    void SetShareGroupFunction(ShareGroupFunction fn) { m_GroupFn = fn; }

    // Uploads every picture at power-of-two sizes, as OpenGL 1.1 needs,
    // whatever the context offers (for drivers that claim more than they
    // do, and for tests).
    void SetPowerOfTwoOnly(bool on) { m_PowerOfTwoOnly = on; }

    // Pictures decoded since the last Clear.
    int GetDecodeCount() const { return m_Decodes; }
    // How long a name that was not found is remembered as missing.
    static constexpr std::chrono::milliseconds kMissRetry{2000};

  private:
    struct GroupTexture
    {
        const void* group;
        unsigned texture;
    };
    struct Picture
    {
        std::unique_ptr<MImage> image; // null when the file could not be read
        std::vector<GroupTexture> textures;
    };
    struct Lookup
    {
        std::string path; // empty when not found
        std::chrono::steady_clock::time_point when;
    };

    const void* CurrentGroup() const { return m_GroupFn ? m_GroupFn() : nullptr; }
    static unsigned* FindTexture(std::vector<GroupTexture>& list, const void* group);
    void BindPattern(int which);
    void ReportOnce(const std::string& key, const MStr& line);

    std::unordered_map<std::string, Lookup> m_Lookups;   // search places + name
    std::unordered_map<std::string, Picture> m_Pictures; // resolved path
    std::vector<GroupTexture> m_Patterns[2];
    std::unordered_set<std::string> m_Reported;
    ShareGroupFunction m_GroupFn = nullptr;
    int m_Decodes = 0;
    bool m_PowerOfTwoOnly = false;
};
