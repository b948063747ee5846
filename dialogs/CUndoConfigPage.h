#pragma once

#include "MStrList.h"

#include <QWidget>

class MUndoList;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

// The undo settings the "Misc" page edits.
struct MUndoSettings
{
    int count = 0;
    int maximum = 15;
    bool limited = false;
    bool maximumKnown = false;
};

// The "Misc" page: the undo list's size limit and the image search paths.
class CUndoConfigPage : public QWidget
{
    Q_OBJECT
  public:
    explicit CUndoConfigPage(QWidget* parent = nullptr);

    // Takes the undo list's limit and node count; an unlimited list shows
    // 15 as the maximum once the limit is switched on.
    void LoadFromUndoList(const MUndoList& list);
    // Gives the undo list the maximum when limited, else no limit. False when
    // the list refuses the limit (it keeps its old one then).
    bool ApplyToUndoList(MUndoList& list) const;
    void LoadPaths(const MStrList& paths);
    const MStrList& Paths() const { return m_Paths; }
    const MUndoSettings& Settings() const { return m_Settings; }

    void SetLimited(bool limited);
    // The spin control's step: a change of -1 raises the maximum by one.
    void Spin(int change);
    // Runs the folder chooser and adds its folder to the path list.
    void AddPath();
    // Adds a folder (a folder separator is put behind it) to the path list.
    void AddPathText(const MStr& folder);
    // Takes the chosen folder off the path list.
    void RemovePath();

    QCheckBox* LimitBox() const { return m_Limit; }
    QSpinBox* MaximumField() const { return m_Maximum; }
    QLineEdit* CurrentField() const { return m_Current; }
    QListWidget* PathList() const { return m_PathList; }
    QPushButton* AddPathButton() const { return m_AddPath; }
    QPushButton* RemovePathButton() const { return m_RemovePath; }

  private:
    void Show();
    void RebuildPaths();

    MUndoSettings m_Settings;
    MStrList m_Paths;
    bool m_Showing = false;
    QCheckBox* m_Limit = nullptr;
    QSpinBox* m_Maximum = nullptr;
    QLineEdit* m_Current = nullptr;
    QListWidget* m_PathList = nullptr;
    QPushButton* m_AddPath = nullptr;
    QPushButton* m_RemovePath = nullptr;
};
