#include "CColorPickerDlg.h"

#include "CChannelParamWnd.h"
#include "CColorbutton.h"
#include "MBaseObject.h"
#include "MPrivateEvent.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdio>

CColorPickerDlg* g_ColorPicker = nullptr;

CColorPickerDlg::CColorPickerDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Colour Picker");
    setModal(false);
    auto* grid = new QGridLayout;
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i)
    {
        auto* label = new QLabel(names[i], this);
        m_Sliders[i] = new QSlider(Qt::Horizontal, this);
        m_Sliders[i]->setRange(0, 100);
        m_Sliders[i]->setAccessibleName(names[i]);
        m_Fields[i] = new QLineEdit(this);
        m_Fields[i]->setAccessibleName(QString(names[i]) + " Value");
        m_Fields[i]->setMaximumWidth(50);
        grid->addWidget(label, i, 0);
        grid->addWidget(m_Sliders[i], i, 1);
        grid->addWidget(m_Fields[i], i, 2);
        connect(m_Sliders[i], &QSlider::valueChanged, this, [this] { SliderMoved(); });
    }
    m_Swatch = new CColorbutton(this);
    m_Swatch->setMinimumHeight(24);
    grid->addWidget(m_Swatch, 3, 0, 1, 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* apply = buttons->addButton("Apply", QDialogButtonBox::ApplyRole);
    apply->setAccessibleName("Apply");
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName("OK");
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName("Cancel");
    // OK and Cancel only hide the picker; the fields and Apply do nothing of their own.
    connect(buttons, &QDialogButtonBox::accepted, this, &QWidget::hide);
    connect(buttons, &QDialogButtonBox::rejected, this, &QWidget::hide);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void CColorPickerDlg::AttachRow(CChannelParamWnd* block, ChannelRow* row)
{
    m_Block = row ? block : nullptr;
    m_Row = block ? row : nullptr;
    if (!m_Row || !m_Row->object)
    {
        m_Block = nullptr;
        m_Row = nullptr;
        setWindowTitle("Colour Picker");
        return;
    }
    setWindowTitle(QString("%1.%2").arg(QString::fromUtf8(m_Row->object->GetName().c_str()),
                                        QString::fromUtf8(m_Row->labelText.c_str())));
    // The controls show the value; it is written again only when a slider
    // moves, so opening the picker leaves the text as it was.
    const MVector v = m_Row->object->GetParamVec(m_Row->paramName);
    ChannelRow* attached = m_Row;
    m_Row = nullptr;
    SetColor(v.x, v.y, v.z);
    m_Row = attached;
}

uint32_t CColorPickerDlg::GetColorValue() const
{
    // Components outside 0..1 (a row may hold any number) show as the nearest
    // end, not wrapped round.
    auto byte = [](float c) { return !(c > 0) ? 0u : c >= 1 ? 255u : uint32_t(c * 255); };
    return byte(m_Colour[0]) | byte(m_Colour[1]) << 8 | byte(m_Colour[2]) << 16;
}

void CColorPickerDlg::SetColor(float r, float g, float b)
{
    m_Colour[0] = r;
    m_Colour[1] = g;
    m_Colour[2] = b;
    m_Swatch->SetColor(GetColorValue());
    m_Setting = true;
    for (int i = 0; i < 3; ++i)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", m_Colour[i]);
        m_Fields[i]->setText(text);
        m_Sliders[i]->setValue(static_cast<int>(m_Colour[i] * 100));
    }
    m_Setting = false;
    if (m_Row && m_Row->object)
    {
        char text[96];
        std::snprintf(text, sizeof text, "%.2f %.2f %.2f", r, g, b);
        m_Row->object->SetParamByName(m_Row->paramName, MStr(text), false);
        if (m_Block)
            m_Block->RefreshRow(*m_Row);
        MSendMessage(UM_SCENE_CHANGED, 0xFFFF);
    }
}

void CColorPickerDlg::SliderMoved()
{
    if (m_Setting)
        return;
    SetColor(m_Sliders[0]->value() * 0.01f, m_Sliders[1]->value() * 0.01f,
             m_Sliders[2]->value() * 0.01f);
}
