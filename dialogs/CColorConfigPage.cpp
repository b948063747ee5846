#include "CColorConfigPage.h"

#include "CColorbutton.h"
#include "Globals.h"
#include "MDialogs.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

CColorConfigPage::CColorConfigPage(QWidget* parent) : QWidget(parent)
{
    setAccessibleName("Color");
    auto* grid = new QGridLayout(this);
    auto* listLabel = new QLabel("Colors", this);
    m_List = new QListWidget(this);
    m_List->setAccessibleName("Colors");
    listLabel->setBuddy(m_List);
    auto* oldLabel = new QLabel("Old", this);
    m_OldButton = new CColorbutton(this);
    m_OldButton->setAccessibleName("Old");
    auto* newLabel = new QLabel("New", this);
    m_NewButton = new CColorbutton(this);
    m_NewButton->setAccessibleName("New");
    m_NewButton->setFixedSize(60, 30);
    m_OldButton->setFixedSize(60, 30);
    m_Other = new QPushButton("Other Color ...", this);
    m_Other->setAccessibleName("Other Color ...");
    m_Reset = new QPushButton("Reset All To Default", this);
    m_Reset->setAccessibleName("Reset All To Default");

    grid->addWidget(listLabel, 0, 0);
    grid->addWidget(m_List, 1, 0, 6, 1);
    grid->addWidget(oldLabel, 1, 1);
    grid->addWidget(m_OldButton, 1, 2);
    grid->addWidget(newLabel, 2, 1);
    grid->addWidget(m_NewButton, 2, 2);
    grid->addWidget(m_Other, 3, 1, 1, 2);
    grid->addWidget(m_Reset, 4, 1, 1, 2);
    grid->setRowStretch(5, 1);

    for (int i = 0; i < kDisplayColourCount; ++i)
        m_List->addItem(QString::fromUtf8(g_ColourNames[i].c_str()));
    connect(m_List, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
    // The new colour button opens the chooser as "Other Color ..." does.
    connect(m_NewButton, &QAbstractButton::clicked, this, &CColorConfigPage::OtherColor);
    connect(m_Other, &QPushButton::clicked, this, &CColorConfigPage::OtherColor);
    connect(m_Reset, &QPushButton::clicked, this, &CColorConfigPage::ResetAllToDefault);
}

void CColorConfigPage::Load(const Colours& colours)
{
    m_Old = colours;
    m_New = colours;
    if (m_List->currentRow() == 0)
        ShowSelected();
    else
        m_List->setCurrentRow(0);
}

void CColorConfigPage::ShowSelected()
{
    const int row = m_List->currentRow();
    if (row < 0 || row >= kDisplayColourCount)
        return;
    m_OldButton->SetColor(m_Old[size_t(row)]);
    m_NewButton->SetColor(m_New[size_t(row)]);
}

void CColorConfigPage::OtherColor()
{
    const int row = m_List->currentRow();
    if (row < 0 || row >= kDisplayColourCount)
        return;
    uint32_t colour = m_New[size_t(row)];
    if (!MDialogs().AskColour(this, colour))
        return;
    m_New[size_t(row)] = colour & 0xFFFFFF;
    ShowSelected();
}

void CColorConfigPage::ResetAllToDefault()
{
    for (int i = 0; i < kDisplayColourCount; ++i)
        m_New[size_t(i)] = DefaultColourValue(i);
    ShowSelected();
}
