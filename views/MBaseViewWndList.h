#pragma once

#include "MBaseObjectList.h"

class MBaseViewWnd;
class MStr;
class QWidget;

// Every live view window, most recently added first. The list holds one
// reference on each view (on its MBaseObject part).
class MBaseViewWndList
{
  public:
    MBaseViewWndList();
    MBaseViewWndList(const MBaseViewWndList&) = delete;
    MBaseViewWndList& operator=(const MBaseViewWndList&) = delete;
    virtual ~MBaseViewWndList();

    // Adds the view at the head of the list; null is ignored, as is a view
    // already listed.
    void AddView(MBaseViewWnd* view);
    // Takes the view out of the list and destroys its window. If it was the
    // active view, the active view is cleared first. The view at the head of
    // the list then becomes the active view (none when the list is empty),
    // without redrawing; that view is returned. A view not in the list is
    // left alone and the active view is returned unchanged.
    MBaseViewWnd* RemoveView(MBaseViewWnd* view);
    // Redraw on every view, in list order.
    void RedrawAll();
    // The listed view that is this widget, or null.
    MBaseViewWnd* FindByWidget(const QWidget* widget) const;

    bool Contains(const MBaseViewWnd* view) const;
    int GetCount() const;
    // The view at a 0-based index from the head, or null.
    MBaseViewWnd* GetAt(int index) const;
    MBaseViewWnd* GetHead() const { return GetAt(0); }

    // Drops a view whose window Qt is deleting, without destroying it again
    // and without choosing a new active view.
    void Forget(MBaseViewWnd* view);

  private:
    MRef<MBaseObjectList> m_List;
};

// The view list, the active view (or null) and the three view panes of the
// main window's layout (null where a pane holds no view).
extern MBaseViewWndList g_ViewWndList;
extern MBaseViewWnd* g_ActiveView;
extern MBaseViewWnd* g_ViewPanes[3];

// Makes the view the active view; unless it already was, the previously
// active view (if any) and the new one are each redrawn, so the active frame
// moves.
void SetActiveView(MBaseViewWnd* view);

// The pane (0, 1, 2) that holds the view, or -1.
int FindViewPane(const MBaseViewWnd* view);

// Puts a new view in the place of the active view: in its pane as a child of
// the main window, or, when the active view sits in no pane, as a floating
// window owned by the main window. The new view is initialised (InitView),
// named, listed and made active; the old view is removed from the list
// (which destroys it); the new window takes the old one's rectangle and is
// shown. The new view must not be parented or shown yet. Returns the new
// view, or null (deleting the new view) when there is no active view.
MBaseViewWnd* ReplaceViewInPane(MBaseViewWnd* newView, const MStr& viewName,
                                const MStr& windowTitle, QWidget* mainWnd);
