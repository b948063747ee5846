#pragma once

#include "MBaseObject.h"
#include "MStr.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

// The one tool-tip window of the editor: a small frameless window with a
// black frame and a line of text, shown after a delay for a while, and only
// while its owner is the window under the mouse.
class MToolTipWnd : public MBaseObject
{
  public:
    MToolTipWnd();
    ~MToolTipWnd() override;
    MStr ClassName() const override { return "MToolTipWnd"; }
    MStr ParentClassName() const override { return "MBaseObject"; }

    // Shows text at (x, y) of the owner's client area after delay ms, for
    // duration ms. Nothing shows unless the owner is the window under the
    // mouse. A tip already shown goes first.
    void ShowTip(QWidget* owner, int x, int y, int delayMs, int durationMs, const MStr& text);
    void Hide();

    // The window under the mouse, kept up to date by the application: a new
    // one hides the tip and becomes its owner.
    void SetWindowUnderMouse(QWidget* window);
    QWidget* GetWindowUnderMouse() const { return m_UnderMouse.data(); }
    QWidget* GetOwner() const { return m_Owner.data(); }
    // The tip window while one exists (shown or waiting for its delay).
    QWidget* GetTipWindow() const { return m_Tip.data(); }
    const MStr& GetText() const { return m_Text; }

  private:
    QPointer<QWidget> m_Tip;
    QPointer<QWidget> m_Owner;
    QPointer<QWidget> m_UnderMouse;
    MStr m_Text;
    QTimer m_ShowTimer;
    QTimer m_EndTimer;
};

// The one tool tip: made on first use (the main window makes it at start-up)
// and destroyed at shutdown, while the application still runs.
MToolTipWnd& ToolTip();
void DestroyToolTip();
