#pragma once

#include <QWidget>

// The parameter panel at the left of the views. Its rows come with the
// channel editing; for now it holds its place in the layout.
class CChannelBar : public QWidget
{
    Q_OBJECT
  public:
    explicit CChannelBar(QWidget* parent = nullptr);
    void RebuildChannels() {}
};
