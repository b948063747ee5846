#include "CControlConfig.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

namespace
{
constexpr const char* kNames[] = {"Orbit View", "Pan View", "Zoom View", "Grab Manipulator"};
constexpr const char* kBoxes[] = {"Shift", "Ctrl", "Alt", "Left", "Middle", "Right"};

// The flag of a record each check box shows, in the boxes' order.
uint8_t& Flag(MKeyState& s, int box)
{
    switch (box)
    {
    case 0:
        return s.shift;
    case 1:
        return s.ctrl;
    case 2:
        return s.alt;
    case 3:
        return s.left;
    case 4:
        return s.middle;
    default:
        return s.right;
    }
}
} // namespace

CControlConfig::CControlConfig(QWidget* parent) : QWidget(parent)
{
    setAccessibleName("Controls");
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel("Controls", this);
    m_List = new QListWidget(this);
    m_List->setAccessibleName("Controls");
    label->setBuddy(m_List);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_List, 1, 0, 7, 1);
    for (int i = 0; i < 6; ++i)
    {
        m_Boxes[i] = new QCheckBox(kBoxes[i], this);
        m_Boxes[i]->setAccessibleName(kBoxes[i]);
        // Keys in the left column, buttons in the right.
        grid->addWidget(m_Boxes[i], 1 + i % 3, 1 + i / 3);
    }
    grid->setRowStretch(7, 1);
    for (int i = 0; i < 4; ++i)
    {
        auto* item = new QListWidgetItem(kNames[i], m_List);
        item->setData(Qt::UserRole, i);
    }
    connect(m_List, &QListWidget::currentRowChanged, this, [this] { ShowSelected(); });
}

void CControlConfig::Load(const MKeyState controls[kMouseControlCount])
{
    for (int i = 0; i < kMouseControlCount; ++i)
        m_Controls[i] = controls[i];
    m_Shown = -1;
    if (m_List->currentRow() == 0)
        ShowSelected();
    else
        m_List->setCurrentRow(0);
}

void CControlConfig::StoreShown()
{
    if (m_Shown < 0)
        return;
    for (int b = 0; b < 6; ++b)
        Flag(m_Controls[m_Shown], b) = m_Boxes[b]->isChecked() ? 1 : 0;
}

void CControlConfig::ShowSelected()
{
    StoreShown();
    QListWidgetItem* item = m_List->currentItem();
    if (!item)
        return;
    m_Shown = item->data(Qt::UserRole).toInt();
    for (int b = 0; b < 6; ++b)
        m_Boxes[b]->setChecked(Flag(m_Controls[m_Shown], b) != 0);
}
