#pragma once

#include "CToolConfigItem.h"
#include "MStr.h"

#include <QDialog>

#include <memory>
#include <vector>

class QPushButton;

// Edits the variables of a tool's preference file: one row per variable,
// then Do Action, Apply, OK and Cancel along the bottom. Modeless and
// without owner; it deletes itself when closed.
class CToolConfigDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CToolConfigDlg(QWidget* parent = nullptr);
    ~CToolConfigDlg() override;

    static constexpr int kResourceId = 191;

    // The action whose preferences are edited; also the title.
    void SetActionName(const MStr& name);
    const MStr& GetActionName() const { return m_ActionName; }
    void AddItem(const MScriptVariable& variable);
    int GetItemCount() const { return static_cast<int>(m_Items.size()); }
    CToolConfigItem* GetItem(int index) const { return m_Items.at(index).get(); }

    // Apply: the controls into the variables, the variables into the file.
    void Apply();
    // Do Action: Apply, then run the action.
    void DoAction();

    QPushButton* DoActionButton() const { return m_DoAction; }
    QPushButton* ApplyButton() const { return m_Apply; }
    QPushButton* OkButton() const { return m_Ok; }
    QPushButton* CancelButton() const { return m_Cancel; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    MStr m_ActionName;
    std::vector<std::unique_ptr<CToolConfigItem>> m_Items;
    int m_NextId = 20000;
    int m_NextY = 8;
    QPushButton* m_DoAction;
    QPushButton* m_Apply;
    QPushButton* m_Ok;
    QPushButton* m_Cancel;
};
