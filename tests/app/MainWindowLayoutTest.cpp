// The main window's client area before its panes exist: the view area, the
// split lines the mouse finds, and the console's two fields.
#include "AppTest.h"
#include "CConsoleDlg.h"
#include "CKorvaDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include <memory>

namespace
{
class MainWindowLayout : public AppTest
{
  protected:
    void SetUp() override
    {
        AppTest::SetUp();
        window = std::make_unique<CKorvaDlg>();
    }
    void TearDown() override
    {
        window.reset(); // saves the configuration into the temporary folder
        AppTest::TearDown();
    }
    // A client area of w x h; then the mouse goes to each point in turn,
    // pressed from the first one when press is set.
    void Drag(int w, int h, std::initializer_list<QPoint> points, bool press)
    {
        QWidget* client = window->ClientArea();
        client->resize(w, h);
        window->Layout();
        QEvent::Type type = press ? QEvent::MouseButtonPress : QEvent::MouseMove;
        for (QPoint p : points)
        {
            QMouseEvent e(type, p, client->mapToGlobal(p), press ? Qt::LeftButton : Qt::NoButton,
                          press ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(client, &e);
            type = QEvent::MouseMove;
        }
    }

    std::unique_ptr<CKorvaDlg> window;
};
} // namespace

TEST_F(MainWindowLayout, SplitLinesStandWhereTheViewAreaPutsThem)
{
    Drag(400, 300, {}, false);
    // Without panels: 2 pixels spare on the left, 5 on the right.
    EXPECT_EQ(window->ViewArea(), QRect(QPoint(2, 0), QPoint(394, 299)));
    // The column split at three quarters of the area less its 6-pixel gap;
    // the row split (all upper pane) at the foot less the gap.
    const int splitX = 2 + int((395 - 2 - 6) * 0.75f) + 3, splitY = 300 - 6 + 3;
    const std::pair<QPoint, Qt::CursorShape> cases[] = {
        {{splitX, 100}, Qt::SizeHorCursor},     {{splitX + 6, 100}, Qt::ArrowCursor},
        {{splitX - 5, 100}, Qt::SizeHorCursor}, {{100, splitY}, Qt::SizeVerCursor},
        {{100, splitY - 6}, Qt::ArrowCursor},   {{splitX, splitY}, Qt::SizeAllCursor},
        {{100, 100}, Qt::ArrowCursor}};
    for (const auto& [at, shape] : cases)
    {
        Drag(400, 300, {at}, false);
        EXPECT_EQ(window->ClientArea()->cursor().shape(), shape) << at.x() << "," << at.y();
    }
    // A drag on the column split moves it.
    Drag(400, 300, {{splitX, 100}, {200, 100}}, true);
    const float fraction = (200 - 2) / 393.0f;
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), fraction);
    // A client too narrow for any pane leaves the split alone.
    Drag(7, 100, {{5, 50}, {6, 50}}, true);
    EXPECT_FLOAT_EQ(window->GetColumnFraction(), fraction);
}

TEST_F(MainWindowLayout, ConsoleFieldsFillItWithinAOnePixelBorder)
{
    CConsoleDlg* console = window->Console();
    console->resize(600, 300);
    console->show();
    QApplication::processEvents();
    const QRect output = console->Output()->geometry();
    const QRect input = console->findChild<QLineEdit*>("ConsoleInput")->geometry();
    EXPECT_EQ(output, QRect(QPoint(1, 1), QPoint(598, input.top() - 2)));
    EXPECT_EQ(input, QRect(QPoint(1, input.top()), QPoint(598, 299)));
    console->hide();
}
