#include "MMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace
{
constexpr const char* kCommandIdProperty = "glazenCommandId";

QAction* FindIn(const QWidget* menu, int commandId, int depth)
{
    // Menus nest a few levels; the bound guards against a menu that holds
    // itself.
    if (!menu || depth > 16)
        return nullptr;
    for (QAction* a : menu->actions())
    {
        if (MGetCommandId(a) == commandId)
            return a;
        if (QMenu* sub = a->menu())
            if (QAction* found = FindIn(sub, commandId, depth + 1))
                return found;
    }
    return nullptr;
}
} // namespace

void MSetCommandId(QAction* item, int commandId)
{
    if (item)
        item->setProperty(kCommandIdProperty, commandId);
}

int MGetCommandId(const QAction* item)
{
    if (!item)
        return 0;
    QVariant v = item->property(kCommandIdProperty);
    return v.isValid() ? v.toInt() : 0;
}

QAction* MFindMenuItem(const QWidget* menu, int commandId)
{
    if (commandId == 0)
        return nullptr;
    return FindIn(menu, commandId, 0);
}

QWidget* MGetWindowMenu(const QWidget* window)
{
    if (!window)
        return nullptr;
    return window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
}

bool MGetMenuItemText(const QWidget* menu, int commandId, MStr& text, int maxLength)
{
    QAction* item = MFindMenuItem(menu, commandId);
    if (!item)
        return false;
    QString t = item->text();
    if (maxLength >= 0 && t.size() > maxLength)
        t.truncate(maxLength);
    text = MStr(t.toUtf8().constData());
    return true;
}

bool MSetMenuItemText(const QWidget* menu, int commandId, const MStr& text)
{
    QAction* item = MFindMenuItem(menu, commandId);
    if (!item)
        return false;
    item->setText(QString::fromUtf8(text.c_str()));
    return true;
}

bool MEnableMenuItem(const QWidget* menu, int commandId, bool enable)
{
    QAction* item = MFindMenuItem(menu, commandId);
    if (!item)
        return false;
    item->setEnabled(enable);
    return true;
}

bool MIsMenuItemEnabled(const QWidget* menu, int commandId)
{
    QAction* item = MFindMenuItem(menu, commandId);
    return item && item->isEnabled();
}

void MMenuItemRef::SetShortcutText(const MStr& shortcut) const
{
    MStr text;
    if (!MGetMenuItemText(m_Menu, m_CommandId, text))
        return;
    std::string s = text.c_str();
    size_t tab = s.find('\t');
    if (tab != std::string::npos)
        s.resize(tab);
    s += '\t';
    s += shortcut.c_str();
    MSetMenuItemText(m_Menu, m_CommandId, MStr(s.c_str()));
}

void MMenuItemRef::SetLabelKeepingShortcut(const MStr& label) const
{
    MStr text;
    if (!MGetMenuItemText(m_Menu, m_CommandId, text))
        return;
    std::string s = text.c_str();
    size_t tab = s.find('\t');
    std::string composed = label.c_str();
    if (tab != std::string::npos)
        composed += s.substr(tab);
    MSetMenuItemText(m_Menu, m_CommandId, MStr(composed.c_str()));
}

void MMenuItemRef::Enable(bool enable) const
{
    MEnableMenuItem(m_Menu, m_CommandId, enable);
}

MStr MMenuItemRef::GetText() const
{
    MStr text;
    MGetMenuItemText(m_Menu, m_CommandId, text);
    return text;
}
