#include "TestSupport.h"
#include "MScene.h"

#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <zip.h>

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device rd;
    path =
        fs::temp_directory_path() / ("glazen-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path);
}
TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path, ec);
}
std::string TempDir::Write(const std::string& relative, const std::string& content) const
{
    const fs::path p = path / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p.string();
}
std::string ReadWholeFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
bool WriteArchive(const fs::path& path,
                  const std::vector<std::pair<std::string, std::string>>& members, bool deflate)
{
    fs::create_directories(path.parent_path());
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const auto& [name, data] : members)
    {
        zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
        const zip_int64_t index = zip_file_add(z, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (index < 0)
        {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
        zip_set_file_compression(z, zip_uint64_t(index), deflate ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                                 0);
    }
    return zip_close(z) == 0;
}

std::string TreeShape(const MBaseObjectTree& tree)
{
    std::string out;
    std::vector<const MBaseObjectTreeNode*> stack;
    tree.ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            while (!stack.empty() && stack.back() != n->GetParent())
            {
                out += ")";
                stack.pop_back();
            }
            out += " " + n->GetObject()->GetName().str();
            if (n->HasChildren())
            {
                out += "(";
                stack.push_back(n);
            }
        });
    out.append(stack.size(), ')');
    return out;
}

std::string Selection(MScene& scene)
{
    std::string out;
    for (MBaseObject* o : scene.GetSelectedList())
    {
        EXPECT_TRUE(o->HasFlags(OBJ_SELECTED)) << o->GetName().str();
        out += o->GetName().str() + " ";
    }
    scene.ForEachNode(
        [&](MBaseObjectTreeNode* n)
        {
            EXPECT_EQ(n->GetObject()->HasFlags(OBJ_SELECTED),
                      scene.GetSelectedList().Contains(n->GetObject()))
                << n->GetObject()->GetName().str();
        });
    return out;
}

std::string Targa(int w, int h, const std::vector<RgbPixel>& pixels)
{
    // True colour, no map, 24 bits, top-left origin.
    std::string t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    t += {char(w & 0xFF), char(w >> 8), char(h & 0xFF), char(h >> 8), 24, 0x20};
    for (const RgbPixel& p : pixels)
        t += {char(p.b), char(p.g), char(p.r)};
    return t;
}
