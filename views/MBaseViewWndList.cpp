#include "MBaseViewWndList.h"

#include "MBaseViewWnd.h"

#include <QWidget>

#include <vector>

MBaseViewWndList::MBaseViewWndList() : m_List(new MBaseObjectList()) {}

MBaseViewWndList::~MBaseViewWndList() = default;

void MBaseViewWndList::AddView(MBaseViewWnd* view)
{
    if (!view || m_List->Contains(view))
        return;
    m_List->Insert(0, view);
}

MBaseViewWnd* MBaseViewWndList::RemoveView(MBaseViewWnd* view)
{
    if (!view || !m_List->Contains(view))
        return g_ActiveView;
    if (g_ActiveView == view)
        g_ActiveView = nullptr;
    // The window goes first (deferred, see MBaseViewWnd), then the list's
    // reference; the view's own reference keeps the object alive until Qt
    // deletes the window.
    view->DestroyWindow();
    m_List->Remove(view);
    g_ActiveView = GetHead();
    return g_ActiveView;
}

void MBaseViewWndList::RedrawAll()
{
    // A redraw may not change the list, but walk a copy all the same.
    std::vector<MBaseViewWnd*> views;
    for (MBaseObject* o : *m_List)
        if (auto* v = dynamic_cast<MBaseViewWnd*>(o))
            views.push_back(v);
    for (MBaseViewWnd* v : views)
        if (Contains(v))
            v->Redraw();
}

MBaseViewWnd* MBaseViewWndList::FindByWidget(const QWidget* widget) const
{
    if (!widget)
        return nullptr;
    for (MBaseObject* o : *m_List)
        if (auto* v = dynamic_cast<MBaseViewWnd*>(o); v && static_cast<const QWidget*>(v) == widget)
            return v;
    return nullptr;
}

bool MBaseViewWndList::Contains(const MBaseViewWnd* view) const
{
    return view && m_List->Contains(view);
}

int MBaseViewWndList::GetCount() const
{
    return m_List->GetCount();
}

MBaseViewWnd* MBaseViewWndList::GetAt(int index) const
{
    return dynamic_cast<MBaseViewWnd*>(m_List->GetAt(index));
}

void MBaseViewWndList::Forget(MBaseViewWnd* view)
{
    if (view)
        m_List->Remove(view);
}

void SetActiveView(MBaseViewWnd* view)
{
    if (view == g_ActiveView)
        return;
    MBaseViewWnd* previous = g_ActiveView;
    g_ActiveView = view;
    if (previous)
        previous->Redraw();
    if (view)
        view->Redraw();
}

int FindViewPane(const MBaseViewWnd* view)
{
    if (!view)
        return -1;
    for (int i = 0; i < 3; ++i)
        if (g_ViewPanes[i] == view)
            return i;
    return -1;
}

MBaseViewWnd* ReplaceViewInPane(MBaseViewWnd* newView, const MStr& viewName,
                                const MStr& windowTitle, QWidget* mainWnd)
{
    if (!newView)
        return nullptr;
    MBaseViewWnd* old = g_ActiveView;
    if (!old || newView == old)
    {
        if (newView != old)
            delete newView;
        return nullptr;
    }

    // The old view's rectangle: in its parent's coordinates for a pane (the
    // new view takes the same parent, the main window's area for the panes),
    // in screen coordinates for a floating window.
    const int pane = FindViewPane(old);
    QRect rect = old->geometry();
    const QRect initial(10, 10, 490, 490);
    if (pane >= 0)
    {
        QWidget* parent = old->parentWidget() ? old->parentWidget() : mainWnd;
        if (parent != old->parentWidget())
            rect.moveTopLeft(parent->mapFromGlobal(old->mapToGlobal(QPoint(0, 0))));
        newView->setParent(parent);
        g_ViewPanes[pane] = newView;
    }
    else
    {
        if (!old->isWindow())
            rect.moveTopLeft(old->mapToGlobal(QPoint(0, 0)));
        newView->setParent(mainWnd, Qt::Window);
    }
    newView->setGeometry(initial);
    newView->setWindowTitle(QString::fromUtf8(windowTitle.c_str()));

    newView->InitView();
    newView->SetViewName(viewName);
    g_ViewWndList.AddView(newView);
    SetActiveView(newView);
    g_ViewWndList.RemoveView(old);
    newView->setGeometry(rect);
    newView->show();
    newView->update();
    return newView;
}
