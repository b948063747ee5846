#include "CTopToolDlg.h"

#include <QTabWidget>
#include <QVBoxLayout>

CTopToolDlg::CTopToolDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName("TopPanel");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_Tabs = new QTabWidget(this);
    m_Tabs->setObjectName("ShelfTabs");
    m_Tabs->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_Tabs);
    // Room for one row of shelf buttons under the tabs.
    setFixedHeight(72);
}
