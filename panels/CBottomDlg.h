#pragma once

#include "MSystemManager.h"

#include <QWidget>

class QLineEdit;

// The bottom panel: the one-line log field, and the place the time controls
// take.
class CBottomDlg : public QWidget
{
    Q_OBJECT
  public:
    explicit CBottomDlg(QWidget* parent = nullptr);
    // The log field shows the newest line.
    MOutputSink* LogSink() { return &m_Sink; }
    QLineEdit* LogField() const { return m_LogField; }
    // Brings the time controls up to the scene's time.
    void RefreshTime() {}

  private:
    class Sink : public MOutputSink
    {
      public:
        QLineEdit* field = nullptr;
        void WriteLine(const char* line) override;
    };
    QLineEdit* m_LogField;
    Sink m_Sink;
};
