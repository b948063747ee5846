#pragma once

#include "MConfig.h"

#include <QWidget>

#include <array>
#include <cstdint>

class CColorbutton;
class QListWidget;
class QPushButton;

// The "Color" page: the twelve display colours as they were (old) and as
// edited (new). Choosing a name shows both; "Other Color ..." edits the new
// one through the platform's colour chooser.
class CColorConfigPage : public QWidget
{
    Q_OBJECT
  public:
    using Colours = std::array<uint32_t, kDisplayColourCount>;

    explicit CColorConfigPage(QWidget* parent = nullptr);

    void Load(const Colours& colours);
    const Colours& OldColours() const { return m_Old; }
    const Colours& NewColours() const { return m_New; }

    void OtherColor();
    void ResetAllToDefault();

    QListWidget* List() const { return m_List; }
    CColorbutton* OldButton() const { return m_OldButton; }
    CColorbutton* NewButton() const { return m_NewButton; }

  private:
    void ShowSelected();

    Colours m_Old{};
    Colours m_New{};
    QListWidget* m_List = nullptr;
    CColorbutton* m_OldButton = nullptr;
    CColorbutton* m_NewButton = nullptr;
    QPushButton* m_Other = nullptr;
    QPushButton* m_Reset = nullptr;
};
