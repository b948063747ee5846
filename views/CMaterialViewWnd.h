#pragma once

#include "MBaseOpenGLWnd.h"

// The material edit view. For now it draws the grey background and the view
// overlay (name, corner box, active frame); its popup menu offers the View
// submenu.
class CMaterialViewWnd : public MBaseOpenGLWnd
{
    Q_OBJECT

  public:
    explicit CMaterialViewWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    M_DECLARE_CLASS_NAMES(CMaterialViewWnd, MBaseViewWnd)
    // A new material view, not yet shown, with this view's name and options.
    MBaseObject* CreateNew() const override;

    int InitView() override;
    void ShowPopupMenu(int screenX, int screenY) override;
    void DrawOverlay() override;

  protected:
    void paintGL() override;
    void resizeEvent(QResizeEvent* event) override;
};
