#pragma once

#include <QDialog>

class CColorConfigPage;
class CControlConfig;
class CKeyConfigPage;
class CUndoConfigPage;
class QPushButton;
class QTabWidget;

// The "Configuration" property sheet: the Keyboard, Controls, Misc and
// Color pages, in this order, with OK and Cancel. The pages edit working
// copies; whoever runs the sheet loads them first and copies them back
// after OK.
class CConfigSheet : public QDialog
{
    Q_OBJECT
  public:
    explicit CConfigSheet(QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return m_Tabs; }
    CKeyConfigPage* KeyPage() const { return m_Keys; }
    CControlConfig* ControlPage() const { return m_Controls; }
    CUndoConfigPage* UndoPage() const { return m_Undo; }
    CColorConfigPage* ColorPage() const { return m_Colours; }
    QPushButton* OkButton() const { return m_Ok; }
    QPushButton* CancelButton() const { return m_Cancel; }

  public slots:
    void accept() override;

  private:
    QTabWidget* m_Tabs = nullptr;
    CKeyConfigPage* m_Keys = nullptr;
    CControlConfig* m_Controls = nullptr;
    CUndoConfigPage* m_Undo = nullptr;
    CColorConfigPage* m_Colours = nullptr;
    QPushButton* m_Ok = nullptr;
    QPushButton* m_Cancel = nullptr;
};
