#include "CUndoConfigPage.h"

#include "CDirPickerDlg.h"
#include "MSystemManager.h"
#include "MUndoList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

namespace
{
// The largest maximum the field takes; far beyond any useful undo depth.
constexpr int kLargestMaximum = 1000000;
} // namespace

CUndoConfigPage::CUndoConfigPage(QWidget* parent) : QWidget(parent)
{
    setAccessibleName("Misc");
    auto* grid = new QGridLayout(this);
    m_Limit = new QCheckBox("Limit Undo List Size", this);
    m_Limit->setAccessibleName("Limit Undo List Size");
    auto* maxLabel = new QLabel("Maximum Undo Nodes", this);
    m_Maximum = new QSpinBox(this);
    m_Maximum->setAccessibleName("Maximum Undo Nodes");
    // A limit below one node is refused by the undo list, so it cannot be
    // chosen; 0 stands for a maximum that is not known and reads "-".
    m_Maximum->setRange(0, kLargestMaximum);
    m_Maximum->setSpecialValueText("-");
    maxLabel->setBuddy(m_Maximum);
    auto* currentLabel = new QLabel("Current Undo Nodes", this);
    m_Current = new QLineEdit(this);
    m_Current->setReadOnly(true);
    m_Current->setAccessibleName("Current Undo Nodes");
    currentLabel->setBuddy(m_Current);
    auto* pathLabel = new QLabel("Image Search Paths", this);
    m_PathList = new QListWidget(this);
    m_PathList->setAccessibleName("Image Search Paths");
    pathLabel->setBuddy(m_PathList);
    m_AddPath = new QPushButton("Add Path...", this);
    m_AddPath->setAccessibleName("Add Path...");
    // A folder added by mistake can be taken off again; the configuration
    // file cannot be edited by hand.
    m_RemovePath = new QPushButton("Remove Path", this);
    m_RemovePath->setAccessibleName("Remove Path");
    m_RemovePath->setEnabled(false);

    grid->addWidget(m_Limit, 0, 0, 1, 2);
    grid->addWidget(maxLabel, 1, 0);
    grid->addWidget(m_Maximum, 1, 1);
    grid->addWidget(currentLabel, 2, 0);
    grid->addWidget(m_Current, 2, 1);
    grid->addWidget(pathLabel, 3, 0, 1, 2);
    grid->addWidget(m_PathList, 4, 0, 1, 3);
    auto* pathButtons = new QHBoxLayout;
    pathButtons->addStretch(1);
    pathButtons->addWidget(m_RemovePath);
    pathButtons->addWidget(m_AddPath);
    grid->addLayout(pathButtons, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    connect(m_Limit, &QCheckBox::toggled, this, &CUndoConfigPage::SetLimited);
    connect(m_Maximum, &QSpinBox::valueChanged, this,
            [this](int value)
            {
                if (m_Showing || !m_Settings.limited)
                    return;
                // Up and down arrows and typing all land here.
                Spin(m_Settings.maximum - value);
            });
    connect(m_AddPath, &QPushButton::clicked, this, &CUndoConfigPage::AddPath);
    connect(m_RemovePath, &QPushButton::clicked, this, &CUndoConfigPage::RemovePath);
    connect(m_PathList, &QListWidget::currentRowChanged, this,
            [this](int row) { m_RemovePath->setEnabled(row >= 0); });
    Show();
}

void CUndoConfigPage::LoadFromUndoList(const MUndoList& list)
{
    m_Settings.count = list.GetCount();
    m_Settings.maximum = list.GetLimit();
    if (m_Settings.maximum == -1)
    {
        m_Settings.maximum = 15;
        m_Settings.limited = false;
    }
    else
    {
        m_Settings.limited = true;
    }
    m_Settings.maximumKnown = m_Settings.limited;
    Show();
}

bool CUndoConfigPage::ApplyToUndoList(MUndoList& list) const
{
    return list.SetLimit(m_Settings.limited ? m_Settings.maximum : -1);
}

void CUndoConfigPage::SetLimited(bool limited)
{
    m_Settings.limited = limited;
    m_Settings.maximumKnown = limited;
    Show();
}

void CUndoConfigPage::Spin(int change)
{
    if (m_Settings.maximum != -1)
    {
        // Kept within what the undo list accepts.
        const long long next = (long long)m_Settings.maximum - change;
        m_Settings.maximum = int(std::clamp<long long>(next, 1, kLargestMaximum));
    }
    Show();
}

void CUndoConfigPage::Show()
{
    m_Showing = true;
    m_Limit->setChecked(m_Settings.limited);
    m_Maximum->setEnabled(m_Settings.limited);
    if (m_Settings.limited)
        m_Maximum->setValue(m_Settings.maximumKnown ? m_Settings.maximum : 0);
    m_Current->setText(QString::asprintf("%i", m_Settings.count));
    m_Showing = false;
}

void CUndoConfigPage::LoadPaths(const MStrList& paths)
{
    m_Paths = paths;
    m_PathList->clear();
    for (const MStr& p : m_Paths)
        m_PathList->addItem(QString::fromUtf8(p.c_str()));
}

void CUndoConfigPage::AddPath()
{
    CDirPickerDlg picker(this);
    if (!picker.DoModal() || picker.GetPath().IsEmpty())
        return;
    AddPathText(picker.GetPath());
}

void CUndoConfigPage::AddPathText(const MStr& folder)
{
    MStr path = folder;
    if (path.IsEmpty() || path.str().back() != '/')
        path += "/";
    m_PathList->addItem(QString::fromUtf8(path.c_str()));
    RebuildPaths();
}

void CUndoConfigPage::RemovePath()
{
    const int row = m_PathList->currentRow();
    if (row < 0)
        return;
    delete m_PathList->takeItem(row);
    RebuildPaths();
}

void CUndoConfigPage::RebuildPaths()
{
    // The working list is rebuilt from the list's items, in order.
    m_Paths.RemoveAll();
    for (int i = 0; i < m_PathList->count(); ++i)
        m_Paths.AddString(MStr(m_PathList->item(i)->text().toUtf8().constData()));
}
