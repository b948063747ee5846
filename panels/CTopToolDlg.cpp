#include "CTopToolDlg.h"

#include "CAutoTabCtrl.h"

CTopToolDlg::CTopToolDlg(QWidget* parent) : QWidget(parent)
{
    setObjectName("TopPanel");
    m_Tabs = new CAutoTabCtrl(this);
    m_Tabs->setGeometry(2, 2, 100, kHeight - 4);
    setFixedHeight(kHeight);
}

// The tab control keeps its left, top and height and reaches to 3 pixels
// short of the panel's right edge.
void CTopToolDlg::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect g = m_Tabs->geometry();
    m_Tabs->setGeometry(g.x(), g.y(), std::max(0, width() - 3 - g.x()), g.height());
}
