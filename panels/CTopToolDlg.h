#pragma once

#include <QWidget>

class QTabWidget;

// The top panel: a tab control whose pages are the button shelves.
class CTopToolDlg : public QWidget
{
    Q_OBJECT
  public:
    explicit CTopToolDlg(QWidget* parent = nullptr);
    QTabWidget* TabControl() const { return m_Tabs; }

  private:
    QTabWidget* m_Tabs;
};
