#pragma once

#include <QAbstractButton>

#include <cstdint>

// A swatch button: it fills itself with its colour (red in the low byte).
class CColorbutton : public QAbstractButton
{
    Q_OBJECT
  public:
    explicit CColorbutton(QWidget* parent = nullptr);
    // Repaints only when the colour changes.
    void SetColor(uint32_t colour);
    uint32_t GetColor() const { return m_Colour; }
    QSize sizeHint() const override { return QSize(40, 20); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    uint32_t m_Colour = 0;
};
