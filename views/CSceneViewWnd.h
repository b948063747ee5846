#pragma once

#include "MBaseViewWnd.h"

// The scene outline view, drawn with QPainter. For now it draws the grey
// background and the view overlay (name, corner box, active frame); its popup
// menu offers the View submenu.
class CSceneViewWnd : public MBaseViewWnd
{
    Q_OBJECT

  public:
    explicit CSceneViewWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    M_DECLARE_CLASS_NAMES(CSceneViewWnd, MBaseViewWnd)
    // A new scene outline, not yet shown, with this view's name and options.
    MBaseObject* CreateNew() const override;

    void Redraw() override;
    void ShowPopupMenu(int screenX, int screenY) override;

  protected:
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
};
