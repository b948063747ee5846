#include "CChannelBar.h"

CChannelBar::CChannelBar(QWidget* parent) : QWidget(parent)
{
    setObjectName("ChannelBar");
    setWindowTitle("ChannelBar");
    setAutoFillBackground(true);
}
