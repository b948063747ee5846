#include "CConsoleDlg.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>

namespace
{
// A long session keeps the newest lines; older ones scroll away.
constexpr int kMaxConsoleLines = 20000;
} // namespace

CConsoleDlg::CConsoleDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("Console");
    setWindowTitle("Console");
    setSizeGripEnabled(true);
    m_Output = new QPlainTextEdit(this);
    m_Output->setObjectName("ConsoleOutput");
    m_Output->setReadOnly(true);
    m_Output->setMaximumBlockCount(kMaxConsoleLines);
    m_Output->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_Input = new QLineEdit(this);
    m_Input->setObjectName("ConsoleInput");
    m_Sink.output = m_Output;
    resize(600, 300);
}

void CConsoleDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int inputHeight = m_Input->sizeHint().height();
    m_Input->setGeometry(1, h - inputHeight - 2, w - 2, inputHeight + 2);
    m_Output->setGeometry(1, 1, w - 2, h - inputHeight - 4);
}

void CConsoleDlg::Sink::WriteLine(const char* line)
{
    if (output)
        output->appendPlainText(QString::fromUtf8(line));
}
