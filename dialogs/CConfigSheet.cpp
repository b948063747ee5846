#include "CConfigSheet.h"

#include "CColorConfigPage.h"
#include "CControlConfig.h"
#include "CKeyConfigPage.h"
#include "CUndoConfigPage.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CConfigSheet::CConfigSheet(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Configuration");
    setAccessibleName("Configuration");
    m_Tabs = new QTabWidget(this);
    m_Tabs->setAccessibleName("Configuration");
    m_Keys = new CKeyConfigPage(m_Tabs);
    m_Controls = new CControlConfig(m_Tabs);
    m_Undo = new CUndoConfigPage(m_Tabs);
    m_Colours = new CColorConfigPage(m_Tabs);
    m_Tabs->addTab(m_Keys, "Keyboard");
    m_Tabs->addTab(m_Controls, "Controls");
    m_Tabs->addTab(m_Undo, "Misc");
    m_Tabs->addTab(m_Colours, "Color");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_Ok = buttons->button(QDialogButtonBox::Ok);
    m_Ok->setText("OK");
    m_Ok->setAccessibleName("OK");
    m_Cancel = buttons->button(QDialogButtonBox::Cancel);
    m_Cancel->setText("Cancel");
    m_Cancel->setAccessibleName("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CConfigSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Tabs);
    layout->addWidget(buttons);
    resize(520, 420);
}

void CConfigSheet::accept()
{
    // The Controls page keeps the boxes of the record on show.
    m_Controls->StoreShown();
    QDialog::accept();
}
