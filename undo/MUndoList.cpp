#include "MUndoList.h"

#include "MBaseUndoNode.h"

#include <memory>

MUndoList::~MUndoList()
{
    // The menu may be gone by now; only the nodes are let go.
    DestroyAll();
}

void MUndoList::DestroyAll()
{
    MBaseUndoNode* node = m_Head;
    m_Head = nullptr;
    m_Count = 0;
    while (node)
    {
        MBaseUndoNode* older = node->m_Older;
        delete node;
        node = older;
    }
}

void MUndoList::AddNode(MBaseUndoNode* node)
{
    if (!node || node == m_Head)
        return;
    if (m_ClearsOpposite && m_Opposite)
        m_Opposite->Purge();

    node->m_Newer = nullptr;
    if (!m_Head)
    {
        node->m_Older = nullptr;
        m_Head = node;
        ++m_Count;
        UpdateMenu();
        return;
    }
    m_Head->m_Newer = node;
    node->m_Older = m_Head;
    m_Head = node;
    ++m_Count;

    // A list left longer than its limit (the limit was lowered) sheds up to
    // two of its oldest nodes per push until it fits.
    if (m_Limit != -1 && CountNodes() > m_Limit)
        RemoveOldest();
    if (m_Limit != -1 && m_Count > m_Limit)
        RemoveOldest();
    UpdateMenu();
}

void MUndoList::Step()
{
    if (!m_Head)
        return;
    if (m_Opposite)
    {
        // The copy pushed on the other list holds the state before this step.
        // Pushing it must not purge this list's own history (a Redo pushes
        // onto the undo list, which would otherwise clear the redo list).
        const bool saved = m_Opposite->m_ClearsOpposite;
        m_Opposite->m_ClearsOpposite = false;
        if (MBaseUndoNode* copy = m_Head->Clone())
        {
            copy->Capture();
            m_Opposite->AddNode(copy);
        }
        m_Opposite->m_ClearsOpposite = saved;
    }
    // Nothing is left to step when the push emptied this list.
    if (!m_Head)
    {
        UpdateMenu();
        return;
    }
    // The head leaves the list before it is restored, so nothing a restore
    // sets off can reach it through the list; it is destroyed afterwards.
    std::unique_ptr<MBaseUndoNode> node(m_Head);
    m_Head = node->m_Older;
    if (m_Head)
        m_Head->m_Newer = nullptr;
    node->m_Older = nullptr;
    --m_Count;
    node->Restore();
    node.reset();
    UpdateMenu();
}

void MUndoList::Purge()
{
    DestroyAll();
    UpdateMenu();
}

void MUndoList::RemoveNewest()
{
    MBaseUndoNode* node = m_Head;
    if (!node)
        return;
    m_Head = node->m_Older;
    if (m_Head)
        m_Head->m_Newer = nullptr;
    delete node;
    --m_Count;
}

void MUndoList::RemoveOldest()
{
    MBaseUndoNode* oldest = m_Head;
    if (!oldest)
        return;
    while (oldest->m_Older)
        oldest = oldest->m_Older;
    if (oldest->m_Newer)
        oldest->m_Newer->m_Older = nullptr;
    else
        m_Head = nullptr;
    delete oldest;
    --m_Count;
}

int MUndoList::CountNodes() const
{
    int n = 0;
    for (const MBaseUndoNode* node = m_Head; node; node = node->m_Older)
        ++n;
    return n;
}

MStr MUndoList::HeadName() const
{
    return m_Head ? m_Head->GetName() : MStr();
}

void MUndoList::UpdateMenu() const
{
    if (!IsSet())
        return;
    if (!m_Head)
    {
        SetLabelKeepingShortcut(m_Prefix);
        Enable(false);
        return;
    }
    Enable(true);
    SetLabelKeepingShortcut(m_Prefix + HeadName());
}

bool MUndoList::SetLimit(int limit)
{
    if (limit < 1 && limit != -1)
        return false;
    m_Limit = limit;
    return true;
}

void MUndoList::SetOpposite(MUndoList* opposite)
{
    // A list cannot be its own opposite: a step would restore the copy it
    // just pushed and destroy it.
    m_Opposite = opposite == this ? nullptr : opposite;
}
