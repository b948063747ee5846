#pragma once

#include "MConfig.h"
#include "MKeyState.h"

#include <QWidget>

class QCheckBox;
class QListWidget;

// The "Controls" page: working copies of the mouse control records. The
// list names four of them; the six check boxes show the record chosen and
// are stored back into it whenever another is chosen and on OK.
class CControlConfig : public QWidget
{
    Q_OBJECT
  public:
    explicit CControlConfig(QWidget* parent = nullptr);

    void Load(const MKeyState controls[kMouseControlCount]);
    // Stores the check boxes into the record shown last (OK does this).
    void StoreShown();
    const MKeyState* Controls() const { return m_Controls; }

    QListWidget* List() const { return m_List; }
    // The check boxes in the order Shift, Ctrl, Alt, Left, Middle, Right.
    QCheckBox* Box(int i) const { return m_Boxes[i]; }

  private:
    void ShowSelected();

    MKeyState m_Controls[kMouseControlCount];
    int m_Shown = -1;
    QListWidget* m_List = nullptr;
    QCheckBox* m_Boxes[6] = {};
};
