#pragma once

#include <QDialog>

class CChannelParamWnd;
class CColorbutton;
class QLineEdit;
class QSlider;
struct ChannelRow;

// The modeless colour picker: three sliders write a colour parameter of the
// channel row it was given, as "r g b" text with two decimals. It is made once
// at start-up and hidden, not destroyed, by OK, Cancel and closing.
class CColorPickerDlg : public QDialog
{
    Q_OBJECT
  public:
    explicit CColorPickerDlg(QWidget* parent = nullptr);

    // The row to edit (with the block holding it), or none.
    void AttachRow(CChannelParamWnd* block, ChannelRow* row);
    bool IsEditing(const CChannelParamWnd* block) const { return block && block == m_Block; }
    // Sets the colour (components from 0 to 1) and writes it into the row's
    // parameter.
    void SetColor(float r, float g, float b);
    float GetComponent(int i) const { return m_Colour[i]; }
    uint32_t GetColorValue() const;
    QSlider* GetSlider(int i) const { return m_Sliders[i]; }

  private:
    void SliderMoved();

    QSlider* m_Sliders[3] = {};
    QLineEdit* m_Fields[3] = {};
    CColorbutton* m_Swatch = nullptr;
    CChannelParamWnd* m_Block = nullptr;
    ChannelRow* m_Row = nullptr;
    float m_Colour[3] = {0, 0, 0};
    bool m_Setting = false;
};

// The one colour picker, made at start-up.
extern CColorPickerDlg* g_ColorPicker;
