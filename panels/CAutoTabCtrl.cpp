#include "CAutoTabCtrl.h"

#include <QTabBar>

CAutoTabCtrl::CAutoTabCtrl(QWidget* parent) : QTabWidget(parent)
{
    setObjectName("ShelfTabs");
    setAccessibleName("Shelves");
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    tabBar()->setAccessibleName("Shelves");
    setUsesScrollButtons(true);
}

int CAutoTabCtrl::AddPage(const QString& title, QWidget* page, int resourceId)
{
    if (!page || resourceId == 0 || title.isEmpty())
        return -1;
    const int index = addTab(page, title);
    setTabToolTip(index, title);
    return index;
}
