#include "CBottomDlg.h"

#include <QLineEdit>
#include <QVBoxLayout>

CBottomDlg::CBottomDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName("BottomPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    // The time controls stand here once they exist; until then an empty row
    // of their height keeps the layout.
    auto* timeRow = new QWidget(this);
    timeRow->setObjectName("TimeControls");
    timeRow->setMinimumHeight(40);
    layout->addWidget(timeRow);
    m_LogField = new QLineEdit(this);
    m_LogField->setObjectName("LogField");
    m_LogField->setReadOnly(true);
    m_LogField->setFocusPolicy(Qt::ClickFocus);
    layout->addWidget(m_LogField);
    m_Sink.field = m_LogField;
    setFixedHeight(sizeHint().height());
}

void CBottomDlg::Sink::WriteLine(const char* line)
{
    if (field)
    {
        field->setText(QString::fromUtf8(line));
        field->setCursorPosition(0);
    }
}
