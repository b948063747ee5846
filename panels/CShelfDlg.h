#pragma once

#include "CDragScrollDlg.h"
#include "MStr.h"

#include <vector>

class CImageButton;

// A shelf: a page of picture buttons read from a shelf file, each running an
// action when clicked. It scrolls sideways by dragging, never up or down.
class CShelfDlg : public CDragScrollDlg
{
    Q_OBJECT
  public:
    explicit CShelfDlg(QWidget* parent = nullptr);
    ~CShelfDlg() override;

    static constexpr int kResourceId = 190;
    static constexpr int kButtonPitch = 34;
    static constexpr int kFirstControlId = 10000;

    // Reads the shelf file: its title becomes the window title and each pair
    // a button. 1 when the file could be read, else 0 (the page stays empty
    // and titled ".").
    int LoadShelfFile(const MStr& fileName);
    // A button for the action at the next place; its picture is looked up
    // under the name given, then in the program folder.
    void AddButton(const MStr& actionName, const MStr& pictureFile);

    const MStr& GetFileName() const { return m_FileName; }
    int GetButtonCount() const { return static_cast<int>(m_Buttons.size()); }
    CImageButton* GetButton(int index) const { return m_Buttons.at(index); }

  private:
    MStr m_FileName;
    std::vector<CImageButton*> m_Buttons;
    int m_NextId = kFirstControlId;
};
