#pragma once

#include "MDIBImage.h"
#include "MStr.h"

#include <QAbstractButton>
#include <QPoint>
#include <QTimer>

// A picture button that runs an action by name: pressed, it runs the action
// at once, again after 800 ms and then every 200 ms until released. Ctrl+click
// opens the action's tool configuration instead. Its tool tip reads the
// action's description and shortcut.
class CImageButton : public QAbstractButton
{
    Q_OBJECT
  public:
    explicit CImageButton(QWidget* parent = nullptr);

    void SetActionName(const MStr& name);
    const MStr& GetActionName() const { return m_ActionName; }
    // Loads the picture; with resize the button takes its size, keeping its
    // top-left corner. 1 on success, 0 when the file cannot be read (the
    // button is then without a picture).
    int LoadPicture(const MStr& fileName, bool resize);
    const MDIBImage& GetPicture() const { return m_Picture; }
    // The tool tip's text: "description (shortcut)", or the description, or
    // the action name.
    MStr TipText() const;

    // Tells whether an action is the current tool's, for the inner frames.
    // The tool manager sets it; none means no button is current.
    using CurrentToolQuery = bool (*)(const MStr& actionName);
    static void SetCurrentToolQuery(CurrentToolQuery query);

    static constexpr int kFirstRepeatMs = 800;
    static constexpr int kRepeatMs = 200;
    bool IsRepeating() const { return m_Repeat.isActive(); }
    // Whether holding the button runs the action again (on by default; a
    // button that toggles, such as Play, turns it off).
    void SetRepeats(bool repeats) { m_Repeats = repeats; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void Press(bool simulated);
    void RunAction();

    MDIBImage m_Picture;
    MStr m_ActionName;
    MStr m_PictureFile;
    QTimer m_Repeat;
    bool m_FirstDelay = false;
    bool m_InSimulatedClick = false;
    bool m_Running = false;
    bool m_Repeats = true;
    bool m_TipShowing = false;
    QPoint m_LastPointer;
    QTimer m_TipGone;
};
