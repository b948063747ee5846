#pragma once

#include "MStr.h"

#include <QDialog>

class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

// The folder chooser: a tree of the file system's folders and a path field.
// Choosing a folder shows its path; typing a path moves the tree's selection
// to it. OK gives the chosen folder.
class CDirPickerDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CDirPickerDlg(QWidget* parent = nullptr, const MStr& start = MStr());

    // Runs the dialog; true after OK.
    bool DoModal();
    // The folder chosen with OK (empty before).
    const MStr& GetPath() const { return m_Path; }

    QLineEdit* PathField() const { return m_PathField; }
    QTreeView* Tree() const { return m_Tree; }
    // The folder selected in the tree, or empty.
    MStr SelectedFolder() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void PathTyped(const QString& text);
    void Accept();

    QFileSystemModel* m_Model = nullptr;
    QTreeView* m_Tree = nullptr;
    QLineEdit* m_PathField = nullptr;
    QPushButton* m_Ok = nullptr;
    QPushButton* m_Cancel = nullptr;
    MStr m_Path;
    bool m_Typing = false;
};
