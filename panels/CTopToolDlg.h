#pragma once

#include <QWidget>

class CAutoTabCtrl;

// The top panel: a tab control whose pages are the button shelves.
class CTopToolDlg : public QWidget
{
    Q_OBJECT
  public:
    explicit CTopToolDlg(QWidget* parent = nullptr);
    CAutoTabCtrl* TabControl() const { return m_Tabs; }

    // Height of the panel: the tabs and one row of 32-pixel buttons.
    static constexpr int kHeight = 74;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    CAutoTabCtrl* m_Tabs;
};
