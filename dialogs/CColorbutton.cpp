#include "CColorbutton.h"

#include <QPainter>

CColorbutton::CColorbutton(QWidget* parent) : QAbstractButton(parent)
{
    setAccessibleName("Colour");
}

void CColorbutton::SetColor(uint32_t colour)
{
    if (colour == m_Colour)
        return;
    m_Colour = colour;
    update();
}

void CColorbutton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(QColor(m_Colour & 0xFF, (m_Colour >> 8) & 0xFF, (m_Colour >> 16) & 0xFF));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
