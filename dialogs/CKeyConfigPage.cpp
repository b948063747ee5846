#include "CKeyConfigPage.h"

#include "CPressKeyDlg.h"
#include "MAction.h"
#include "MDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace
{
QString ToQ(const MStr& s)
{
    return QString::fromUtf8(s.c_str());
}

MStr FromQ(const QString& s)
{
    return MStr(s.toUtf8().constData());
}

// A read-only field with a label above it, both named by the label's text.
QLineEdit* AddField(QGridLayout* grid, QWidget* parent, const char* caption, int row, int column)
{
    auto* label = new QLabel(caption, parent);
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setAccessibleName(caption);
    label->setBuddy(field);
    grid->addWidget(label, row, column);
    grid->addWidget(field, row + 1, column);
    return field;
}

QCheckBox* AddBox(QHBoxLayout* row, QWidget* parent, const char* caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setAccessibleName(caption);
    row->addWidget(box);
    return box;
}
} // namespace

CKeyConfigPage::CKeyConfigPage(QWidget* parent) : QWidget(parent)
{
    setAccessibleName("Keyboard");
    m_Table.SetWritesMenus(false);

    auto* grid = new QGridLayout(this);
    auto* categoryLabel = new QLabel("Category", this);
    m_Categories = new QComboBox(this);
    m_Categories->setAccessibleName("Category");
    categoryLabel->setBuddy(m_Categories);
    auto* commandLabel = new QLabel("Commands", this);
    m_Commands = new QListWidget(this);
    m_Commands->setAccessibleName("Commands");
    commandLabel->setBuddy(m_Commands);
    grid->addWidget(categoryLabel, 0, 0);
    grid->addWidget(m_Categories, 1, 0);
    grid->addWidget(commandLabel, 2, 0);
    grid->addWidget(m_Commands, 3, 0, 7, 1);

    m_CurrentShortcut = AddField(grid, this, "Current Shortcut", 0, 1);
    m_NewShortcut = AddField(grid, this, "New Shortcut", 2, 1);
    auto* boxes = new QHBoxLayout;
    m_Shift = AddBox(boxes, this, "Shift");
    m_Ctrl = AddBox(boxes, this, "Ctrl");
    m_Alt = AddBox(boxes, this, "Alt");
    grid->addLayout(boxes, 4, 1);
    m_PressKey = new QPushButton("Press a Key", this);
    m_PressKey->setAccessibleName("Press a Key");
    m_Assign = new QPushButton("Assign", this);
    m_Assign->setAccessibleName("Assign");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_PressKey);
    buttons->addWidget(m_Assign);
    grid->addLayout(buttons, 5, 1);
    m_UsedBy = AddField(grid, this, "Shortcut Already Used By", 6, 1);
    m_SavePlainText = new QPushButton("Save Plain Text", this);
    m_SavePlainText->setAccessibleName("Save Plain Text");
    grid->addWidget(m_SavePlainText, 9, 1, Qt::AlignRight | Qt::AlignBottom);
    grid->setRowStretch(8, 1);

    m_Assign->setEnabled(false);
    connect(m_Categories, &QComboBox::currentIndexChanged, this, [this] { FillCommands(); });
    connect(m_Commands, &QListWidget::currentRowChanged, this, [this] { ShowCommand(); });
    connect(m_PressKey, &QPushButton::clicked, this, &CKeyConfigPage::PressKey);
    connect(m_Assign, &QPushButton::clicked, this, &CKeyConfigPage::Assign);
    connect(m_SavePlainText, &QPushButton::clicked, this, &CKeyConfigPage::SavePlainText);
    // Changing a flag by hand changes the shortcut being made.
    for (QCheckBox* box : {m_Shift, m_Ctrl, m_Alt})
        connect(box, &QCheckBox::toggled, this,
                [this]
                {
                    if (m_NewKey)
                        ShowNewShortcut();
                });
}

MStr CKeyConfigPage::ShortcutText(unsigned keyCode, bool shift, bool ctrl, bool alt)
{
    MKeyBinding b;
    b.m_KeyCode = uint16_t(keyCode);
    b.m_Shift = shift;
    b.m_Ctrl = ctrl;
    b.m_Alt = alt;
    return b.GetShortcutText();
}

void CKeyConfigPage::Load(const MKeyBindingTable& table)
{
    m_Table.CopyFrom(table);
    const QSignalBlocker blocker(m_Categories);
    m_Categories->clear();
    if (MActionRegistry* registry = m_Table.GetActionRegistry())
        for (MAction* a = registry->GetHead(); a; a = a->GetNext())
            if (m_Categories->findText(ToQ(a->GetListName()),
                                       Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0)
                m_Categories->addItem(ToQ(a->GetListName()));
    m_Categories->setCurrentIndex(m_Categories->count() > 0 ? 0 : -1);
    FillCommands();
    m_CurrentShortcut->clear();
    m_UsedBy->clear();
    m_NewShortcut->clear();
    m_Assign->setEnabled(false);
}

MStr CKeyConfigPage::Category() const
{
    return FromQ(m_Categories->currentText());
}

MStr CKeyConfigPage::SelectedAction() const
{
    QListWidgetItem* item = m_Commands->currentItem();
    return item ? FromQ(item->data(Qt::UserRole).toString()) : MStr();
}

void CKeyConfigPage::FillCommands()
{
    const QSignalBlocker blocker(m_Commands);
    m_Commands->clear();
    const MStr category = Category();
    if (MActionRegistry* registry = m_Table.GetActionRegistry())
        for (MAction* a = registry->GetHead(); a; a = a->GetNext())
            if (a->GetListName().EqualsNoCase(category))
            {
                auto* item = new QListWidgetItem(ToQ(a->GetDescription()), m_Commands);
                item->setData(Qt::UserRole, ToQ(a->GetName()));
            }
    m_CurrentShortcut->clear();
    m_Assign->setEnabled(false);
}

void CKeyConfigPage::ShowCommand()
{
    const MStr name = SelectedAction();
    if (name.IsEmpty())
    {
        m_Assign->setEnabled(false);
        return;
    }
    m_Assign->setEnabled(m_NewKey != 0);
    MKeyBinding* b = m_Table.FindByAction(name, Category());
    if (!b)
    {
        m_CurrentShortcut->setText("< undefined >");
        return;
    }
    m_NewKey = b->m_KeyCode;
    {
        const QSignalBlocker s(m_Shift), c(m_Ctrl), a(m_Alt);
        m_Shift->setChecked(b->m_Shift);
        m_Ctrl->setChecked(b->m_Ctrl);
        m_Alt->setChecked(b->m_Alt);
    }
    m_CurrentShortcut->setText(ToQ(b->GetShortcutText()));
}

void CKeyConfigPage::PressKey()
{
    CPressKeyDlg capture(this);
    if (!capture.DoModal())
        return;
    SetNewKey(capture.GetKey(), capture.GetShift(), capture.GetCtrl(), capture.GetAlt());
}

void CKeyConfigPage::SetNewKey(unsigned keyCode, bool shift, bool ctrl, bool alt)
{
    m_NewKey = keyCode;
    {
        const QSignalBlocker s(m_Shift), c(m_Ctrl), a(m_Alt);
        m_Shift->setChecked(shift);
        m_Ctrl->setChecked(ctrl);
        m_Alt->setChecked(alt);
    }
    ShowNewShortcut();
}

void CKeyConfigPage::ShowNewShortcut()
{
    const bool shift = m_Shift->isChecked(), ctrl = m_Ctrl->isChecked(), alt = m_Alt->isChecked();
    m_NewShortcut->setText(ToQ(ShortcutText(m_NewKey, shift, ctrl, alt)));
    m_Assign->setEnabled(m_NewKey != 0 && !SelectedAction().IsEmpty());
    MKeyBinding* user = m_Table.FindByKey(m_NewKey, MStr(), ctrl, alt, shift);
    m_UsedBy->setText(
        user ? ToQ(user->m_Action->GetListName() + " - " + user->m_Action->GetDescription())
             : QString("<None>"));
}

void CKeyConfigPage::Assign()
{
    const MStr name = SelectedAction();
    if (name.IsEmpty() || m_NewKey == 0)
        return;
    const MStr category = Category();
    const bool shift = m_Shift->isChecked(), ctrl = m_Ctrl->isChecked(), alt = m_Alt->isChecked();
    // The key is taken away from the command that had it.
    if (MKeyBinding* other = m_Table.FindByKey(m_NewKey, MStr(), ctrl, alt, shift))
    {
        other->m_Action = nullptr;
        other->m_KeyCode = 0;
        m_UsedBy->clear();
    }
    if (MKeyBinding* b = m_Table.FindByAction(name, category))
    {
        b->m_KeyCode = uint16_t(m_NewKey);
        b->m_Shift = shift;
        b->m_Ctrl = ctrl;
        b->m_Alt = alt;
    }
    else
    {
        m_Table.AddBinding(name, category, m_NewKey, ctrl, alt, shift);
    }
    m_Assign->setEnabled(false);
    m_NewKey = 0;
    m_NewShortcut->clear();
    {
        const QSignalBlocker s(m_Shift), c(m_Ctrl), a(m_Alt);
        m_Shift->setChecked(false);
        m_Ctrl->setChecked(false);
        m_Alt->setChecked(false);
    }
    ShowCommand();
}

void CKeyConfigPage::SavePlainText()
{
    MFileDialogRequest request;
    request.kind = MFileDialogRequest::Save;
    request.title = "Save Plain Text";
    request.filter = "Text Files (*.txt)|*.txt||";
    request.defaultExtension = "TXT";
    const MFileDialogResult result = MDialogs().AskFile(this, request);
    if (!result.accepted || result.paths.empty())
        return;
    m_Table.SavePlainText(result.paths.front());
}
