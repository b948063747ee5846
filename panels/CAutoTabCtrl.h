#pragma once

#include <QTabWidget>

// The top panel's tab control: each tab carries a page, shown while its tab
// is current and fitted to the display area. Pages belong to whoever added
// them.
class CAutoTabCtrl : public QTabWidget
{
    Q_OBJECT
  public:
    explicit CAutoTabCtrl(QWidget* parent = nullptr);

    // Adds a page under a new last tab: its index, or -1 without a page, a
    // resource id or a title. The first page is shown, later ones stay
    // hidden until their tab is chosen.
    int AddPage(const QString& title, QWidget* page, int resourceId);
    QWidget* GetPage(int index) const { return widget(index); }
};
