#pragma once

#include <string>
#include <vector>

class MSystemManager;

// `glazen-cli textures FILE...`: for each shader of the scripts, every texture
// it names and where the editor finds it (the search folder and, inside it,
// the archive or .pk3dir folder and the member) or that it is missing.
// Names the engine makes itself ("$lightmap", "*white") are not files and
// are left out. Returns the exit code: 0 when every texture was found, 1 when
// one is missing or a script cannot be read, 2 for a usage error. The log of
// the look-ups (archives skipped) goes to stderr.
int RunTexturesCommand(MSystemManager& manager, const std::vector<std::string>& files);

// Where a found texture lies, relative to the search places: "folder F",
// "folder F, archive A, member M" or, for a loose file, "folder F, file M".
std::string DescribeTextureLocation(const MSystemManager& manager, const std::string& path);
