#include "MToolTipWnd.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace
{
class CTipWindow : public QWidget
{
  public:
    explicit CTipWindow(const QString& text)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), m_Text(text)
    {
        setObjectName("MToolTipWnd");
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_DeleteOnClose);
        setEnabled(false);
        setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        const QSize extent = QFontMetrics(font()).size(Qt::TextSingleLine, m_Text);
        resize(extent + QSize(2, 2) + QSize(4, 2));
    }

  protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.drawText(rect(), Qt::AlignCenter, m_Text);
    }

  private:
    QString m_Text;
};
} // namespace

namespace
{
MToolTipWnd* g_ToolTip = nullptr;
}

MToolTipWnd& ToolTip()
{
    if (!g_ToolTip)
        g_ToolTip = new MToolTipWnd();
    return *g_ToolTip;
}

void DestroyToolTip()
{
    delete g_ToolTip;
    g_ToolTip = nullptr;
}

MToolTipWnd::MToolTipWnd()
{
    SetName("MToolTipWnd");
    m_ShowTimer.setSingleShot(true);
    m_EndTimer.setSingleShot(true);
    QObject::connect(&m_ShowTimer, &QTimer::timeout,
                     [this]
                     {
                         if (m_Tip && m_Owner && m_Owner == m_UnderMouse)
                             m_Tip->show();
                     });
    QObject::connect(&m_EndTimer, &QTimer::timeout, [this] { Hide(); });
}

MToolTipWnd::~MToolTipWnd()
{
    delete m_Tip.data();
}

void MToolTipWnd::ShowTip(QWidget* owner, int x, int y, int delayMs, int durationMs,
                          const MStr& text)
{
    Hide();
    m_Owner = owner;
    m_Text = text;
    if (!owner || owner != m_UnderMouse)
        return;
    auto* tip = new CTipWindow(QString::fromUtf8(text.c_str()));
    tip->move(owner->mapToGlobal(QPoint(x, y)));
    m_Tip = tip;
    m_ShowTimer.start(std::max(0, delayMs));
    m_EndTimer.start(std::max(0, delayMs) + std::max(0, durationMs));
}

void MToolTipWnd::Hide()
{
    m_ShowTimer.stop();
    m_EndTimer.stop();
    delete m_Tip.data();
}

void MToolTipWnd::SetWindowUnderMouse(QWidget* window)
{
    m_UnderMouse = window;
    if (window != m_Owner)
    {
        Hide();
        m_Owner = window;
    }
}
