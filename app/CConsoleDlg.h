#pragma once

#include "MSystemManager.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

// The console: every log line in an output field, and a one-line input field
// below it.
class CConsoleDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CConsoleDlg(QWidget* parent = nullptr);
    MOutputSink* OutputSink() { return &m_Sink; }
    QPlainTextEdit* Output() const { return m_Output; }
    QLineEdit* Input() const { return m_Input; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class Sink : public MOutputSink
    {
      public:
        QPlainTextEdit* output = nullptr;
        void WriteLine(const char* line) override;
    };
    QPlainTextEdit* m_Output;
    QLineEdit* m_Input;
    Sink m_Sink;
};
