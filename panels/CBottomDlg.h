#pragma once

#include "CTimeScroller.h"
#include "MSystemManager.h"

#include <QTimer>
#include <QWidget>

class CImageButton;
class MBaseUndoNode;
class MScene;
class QLineEdit;

// The bottom panel: the frame ruler, the frame field, the previous-frame,
// play and next-frame buttons, and the one-line log field. Moving the time
// sets the scene's time and tells the main window; a drag of the ruler is
// one "Time Change" undo step. Play runs the time at 30 frames a second.
class CBottomDlg : public QWidget
{
    Q_OBJECT
  public:
    explicit CBottomDlg(QWidget* parent = nullptr);
    ~CBottomDlg() override;

    static constexpr int kHeight = 58;
    static constexpr int kFramesPerSecond = 30;

    // The log field shows the newest line.
    MOutputSink* LogSink() { return &m_Sink; }
    QLineEdit* LogField() const { return m_LogField; }
    QLineEdit* FrameField() const { return m_FrameField; }
    CTimeScroller* Scroller() const { return m_Scroller; }
    CImageButton* PlayButton() const { return m_Play; }

    // Brings the ruler's key marks (the translate, rotate and scale keys of
    // the selected objects) and position and the frame field up to the
    // scene's time.
    void RefreshTime();

    // Scroll codes of the ruler, as a horizontal scroll bar sends them.
    enum ScrollCode : int
    {
        SB_LINELEFT = 0,
        SB_LINERIGHT = 1,
        SB_PAGELEFT = 2,
        SB_PAGERIGHT = 3,
        SB_THUMBPOSITION = 4,
        SB_THUMBTRACK = 5,
    };
    // Moves the time by a scroll code (thumb codes carry the frame).
    void HorizontalScroll(int code, int frame);
    // A drag of the ruler begins and ends: the pending "Time Change" node.
    void DragBegin();
    void DragEnd();

    // Play: the time runs at 30 frames a second over the ruler's range and
    // starts again at its first frame; the play button stays down.
    void StartPlay();
    void StopPlay();
    bool IsPlaying() const { return m_PlayTimer.isActive(); }
    // One frame of playback, as the timer runs it.
    void PlayStep();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Sink : public MOutputSink
    {
      public:
        QLineEdit* field = nullptr;
        void WriteLine(const char* line) override;
    };
    void SetSceneTime(int ticks);
    void FocusMainWindow();
    void FrameFieldEntered();
    bool PlaybackInterrupted() const;

    CTimeScroller* m_Scroller;
    QLineEdit* m_LogField;
    QLineEdit* m_FrameField;
    CImageButton* m_Prev;
    CImageButton* m_Play;
    CImageButton* m_Next;
    Sink m_Sink;
    QTimer m_PlayTimer;
    // What playback last set, to see when someone else moves the time or
    // edits the scene.
    int m_PlayTime = 0;
    const MBaseUndoNode* m_PlayUndoHead = nullptr;
    int m_PlayUndoCount = 0;
};

// Scene time, in ticks, from the frame field's text as atof reads it: the
// longest leading decimal number, 0 when there is none; held within the int
// range.
int FrameTextToTicks(const char* text);
