#pragma once

#include "MKeyBinding.h"
#include "MStr.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

// The "Keyboard" page: a working copy of the key binding table, edited by
// category and command. A key is captured with "Press a Key", shown with
// its modifiers, and bound to the chosen command with "Assign", which takes
// it away from any command that had it.
class CKeyConfigPage : public QWidget
{
    Q_OBJECT
  public:
    explicit CKeyConfigPage(QWidget* parent = nullptr);

    // Takes a copy of the table and fills the category and command lists
    // from the actions of its registry.
    void Load(const MKeyBindingTable& table);
    MKeyBindingTable& Table() { return m_Table; }

    // What a capture gives: the new key and the check boxes' flags.
    void SetNewKey(unsigned keyCode, bool shift, bool ctrl, bool alt);
    unsigned GetNewKey() const { return m_NewKey; }
    void Assign();
    void SavePlainText();

    QComboBox* Categories() const { return m_Categories; }
    QListWidget* Commands() const { return m_Commands; }
    QPushButton* AssignButton() const { return m_Assign; }
    QPushButton* PressKeyButton() const { return m_PressKey; }
    QLineEdit* NewShortcutField() const { return m_NewShortcut; }
    QLineEdit* CurrentShortcutField() const { return m_CurrentShortcut; }
    QLineEdit* UsedByField() const { return m_UsedBy; }
    QCheckBox* ShiftBox() const { return m_Shift; }
    QCheckBox* CtrlBox() const { return m_Ctrl; }
    QCheckBox* AltBox() const { return m_Alt; }

    // "Alt+", "Shift+", "Ctrl+" as set, then the key's name.
    static MStr ShortcutText(unsigned keyCode, bool shift, bool ctrl, bool alt);

  private:
    void FillCommands();
    void ShowCommand();
    void PressKey();
    void ShowNewShortcut();
    MStr Category() const;
    MStr SelectedAction() const;

    MKeyBindingTable m_Table;
    unsigned m_NewKey = 0;

    QComboBox* m_Categories = nullptr;
    QListWidget* m_Commands = nullptr;
    QPushButton* m_Assign = nullptr;
    QLineEdit* m_NewShortcut = nullptr;
    QCheckBox* m_Shift = nullptr;
    QCheckBox* m_Ctrl = nullptr;
    QCheckBox* m_Alt = nullptr;
    QPushButton* m_PressKey = nullptr;
    QLineEdit* m_CurrentShortcut = nullptr;
    QLineEdit* m_UsedBy = nullptr;
    QPushButton* m_SavePlainText = nullptr;
};
