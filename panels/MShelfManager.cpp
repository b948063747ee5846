#include "MShelfManager.h"

#include "CAutoTabCtrl.h"
#include "CShelfDlg.h"
#include "MFile.h"
#include "MShelfFile.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

MShelfManager::~MShelfManager()
{
    RemoveAllShelves();
}

int MShelfManager::LoadShelves(const MStr& pattern)
{
    const std::string native = MFile::NativePath(pattern).str();
    const size_t slash = native.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    const std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
    // The folder may be spelt in another case than on disk.
    std::string dir = FindPathNoCase(MStr(folder), true).str();
    if (dir.empty())
        return 0;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    {
        std::error_code typeEc;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(typeEc) && MatchFilePattern(mask, name))
            names.push_back(name);
    }
    // The order of names as the user sees them in a folder listing.
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b)
              {
                  const int c = MStr(a).CompareNoCase(b.c_str());
                  return c != 0 ? c < 0 : a < b;
              });
    if (dir.back() != '/')
        dir += '/';
    int added = 0;
    for (const std::string& name : names)
        added += AddShelf(MStr(dir + name));
    return added;
}

int MShelfManager::AddShelf(const MStr& fileName)
{
    if (!m_Tabs)
        return 0;
    auto* shelf = new CShelfDlg();
    shelf->setObjectName("Shelf");
    m_Tabs->AddPage(".", shelf, CShelfDlg::kResourceId);
    shelf->LoadShelfFile(fileName);
    const QString title = shelf->windowTitle().left(127);
    m_Tabs->setTabText(m_Tabs->count() - 1, title);
    m_Tabs->setTabToolTip(m_Tabs->count() - 1, title);
    shelf->setAccessibleName(title);
    m_Shelves.emplace_back(shelf);
    return 1;
}

void MShelfManager::RemoveAllShelves()
{
    if (m_Tabs)
        while (m_Tabs->count() > 0)
        {
            QWidget* page = m_Tabs->GetPage(0);
            m_Tabs->removeTab(0);
            delete page;
        }
    // Shelves no longer under a tab go as well; those the tab control took
    // with it are already gone.
    for (const QPointer<CShelfDlg>& shelf : m_Shelves)
        delete shelf.data();
    m_Shelves.clear();
}
