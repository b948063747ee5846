#pragma once

#include <QDialog>

class QPushButton;

// "Press a Key": waits for one key. Shift, Ctrl and Alt set and clear their
// flags as they go down and up; the first other key pressed is recorded and
// closes the dialog with OK. A key pressed while Alt is held is a system key
// and does not end it. Escape or Cancel closes it without a key.
class CPressKeyDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CPressKeyDlg(QWidget* parent = nullptr);

    // Runs the dialog; true when a key was pressed.
    bool DoModal();
    // The virtual-key code of the key pressed (0 before).
    unsigned GetKey() const { return m_Key; }
    bool GetShift() const { return m_Shift; }
    bool GetCtrl() const { return m_Ctrl; }
    bool GetAlt() const { return m_Alt; }

  protected:
    bool event(QEvent* event) override;

  private:
    bool KeyDown(int qtKey, Qt::KeyboardModifiers mods);
    void KeyUp(int qtKey);

    QPushButton* m_Cancel = nullptr;
    unsigned m_Key = 0;
    bool m_Shift = false;
    bool m_Ctrl = false;
    bool m_Alt = false;
};
