#include "CPressKeyDlg.h"

#include "MKeyCodes.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CPressKeyDlg::CPressKeyDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Press a Key");
    setAccessibleName("Press a Key");
    auto* label = new QLabel("Press a Key", this);
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName("Press a Key");
    m_Cancel = new QPushButton("Cancel", this);
    m_Cancel->setAccessibleName("Cancel");
    // The keyboard belongs to the capture: the button never takes the focus,
    // so Space or Return are captured rather than pressing it.
    m_Cancel->setFocusPolicy(Qt::NoFocus);
    m_Cancel->setAutoDefault(false);
    connect(m_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_Cancel, 0, Qt::AlignCenter);
    resize(220, 100);
}

bool CPressKeyDlg::DoModal()
{
    return exec() == QDialog::Accepted;
}

bool CPressKeyDlg::event(QEvent* event)
{
    // Every key goes to the capture, ahead of shortcuts and focus moves.
    switch (event->type())
    {
    case QEvent::ShortcutOverride:
        event->accept();
        return true;
    case QEvent::KeyPress:
    {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!KeyDown(key->key(), key->modifiers()))
            return QDialog::event(event);
        return true;
    }
    case QEvent::KeyRelease:
        KeyUp(static_cast<QKeyEvent*>(event)->key());
        return true;
    default:
        return QDialog::event(event);
    }
}

bool CPressKeyDlg::KeyDown(int qtKey, Qt::KeyboardModifiers mods)
{
    switch (qtKey)
    {
    case Qt::Key_Shift:
        m_Shift = true;
        return true;
    case Qt::Key_Control:
        m_Ctrl = true;
        return true;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        m_Alt = true;
        return true;
    case Qt::Key_Escape:
        // Left to the dialog, which closes without a key.
        return false;
    default:
        break;
    }
    // With Alt held the platform reports a system key, which does not end
    // the capture.
    if (m_Alt || (mods & Qt::AltModifier))
        return true;
    const unsigned vk = MVirtualKeyFromQt(qtKey, mods);
    if (vk == 0)
        return true;
    m_Key = vk;
    accept();
    return true;
}

void CPressKeyDlg::KeyUp(int qtKey)
{
    switch (qtKey)
    {
    case Qt::Key_Shift:
        m_Shift = false;
        break;
    case Qt::Key_Control:
        m_Ctrl = false;
        break;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        m_Alt = false;
        break;
    default:
        break;
    }
}
