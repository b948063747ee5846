#pragma once

#include "CAutoTabCtrl.h"
#include "CShelfDlg.h"
#include "MBaseObject.h"
#include "MStr.h"

#include <QPointer>

#include <vector>

// Turns shelf files into pages of the top panel's tab control.
class MShelfManager : public MBaseObject
{
  public:
    MShelfManager() = default;
    ~MShelfManager() override;
    MShelfManager(const MShelfManager&) = delete;
    MShelfManager& operator=(const MShelfManager&) = delete;

    M_DECLARE_CLASS_NAMES(MShelfManager, MBaseObject)

    void SetTabControl(CAutoTabCtrl* tabs) { m_Tabs = tabs; }
    CAutoTabCtrl* GetTabControl() const { return m_Tabs.data(); }

    // Adds a shelf for every file matching the pattern ("folder\*.shelf";
    // the folder and the names match without regard to case), in the order
    // of their names. The number added.
    int LoadShelves(const MStr& pattern);
    // A shelf page read from the file, as a new last tab: 1, or 0 without a
    // tab control.
    int AddShelf(const MStr& fileName);
    // Removes every tab and deletes its page.
    void RemoveAllShelves();

    int GetShelfCount() const { return static_cast<int>(m_Shelves.size()); }
    CShelfDlg* GetShelf(int index) const { return m_Shelves.at(index).data(); }

  private:
    QPointer<CAutoTabCtrl> m_Tabs;
    std::vector<QPointer<CShelfDlg>> m_Shelves;
};
