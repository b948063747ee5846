#include "CToolConfigDlg.h"

#include "Globals.h"
#include "MAction.h"
#include "MConfig.h"

#include <QPushButton>

#include <cmath>

namespace
{
QPushButton* MakeButton(QWidget* parent, const char* text, int id)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString("Button%1").arg(id));
    button->setAccessibleName(text);
    button->setAutoDefault(false);
    return button;
}
} // namespace

CToolConfigDlg::CToolConfigDlg(QWidget* parent) : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setSizeGripEnabled(true);
    m_DoAction = MakeButton(this, "Do Action", 1134);
    m_Apply = MakeButton(this, "Apply", 1133);
    m_Ok = MakeButton(this, "OK", 1163);
    m_Cancel = MakeButton(this, "Cancel", 1165);
    connect(m_Apply, &QPushButton::clicked, this, &CToolConfigDlg::Apply);
    connect(m_DoAction, &QPushButton::clicked, this, &CToolConfigDlg::DoAction);
    connect(m_Ok, &QPushButton::clicked, this,
            [this]
            {
                Apply();
                close();
            });
    connect(m_Cancel, &QPushButton::clicked, this, &QDialog::close);
}

CToolConfigDlg::~CToolConfigDlg() = default;

void CToolConfigDlg::SetActionName(const MStr& name)
{
    m_ActionName = name;
    setWindowTitle(QString::fromUtf8(name.c_str()));
}

void CToolConfigDlg::AddItem(const MScriptVariable& variable)
{
    m_Items.push_back(std::make_unique<CToolConfigItem>(variable, this, m_NextY));
    m_NextY += CToolConfigItem::kRowHeight;
    ++m_NextId;
}

void CToolConfigDlg::Apply()
{
    for (const auto& item : m_Items)
    {
        item->UpdateVariable();
        AppendToolPref(m_ActionName, item->GetVariable().name, item->ValueText());
    }
}

void CToolConfigDlg::DoAction()
{
    Apply();
    g_ActionRegistry.RunActionByName(m_ActionName);
}

// The four buttons share the width along the bottom edge.
void CToolConfigDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int h = m_DoAction->sizeHint().height();
    const int y = height() - h - 8;
    const double q = (width() - 8) * 0.25;
    const int w = std::max(0, int(std::trunc(q)) - 8);
    m_DoAction->setGeometry(4, y, w, h);
    m_Apply->setGeometry(int(std::trunc(q + 4)), y, w, h);
    m_Ok->setGeometry(int(std::trunc(2 * q + 4)), y, w, h);
    m_Cancel->setGeometry(int(std::trunc(3 * q + 4)), y, w, h);
}
