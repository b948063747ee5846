#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

// Runs open, which shows a modal dialog, and lets act work that dialog (a T)
// delayMs later. True when act ran; a failure when the modal widget is no T.
template <class T>
bool WorkModal(int delayMs, const std::function<void(T&)>& act, const std::function<void()>& open)
{
    bool ran = false;
    QTimer::singleShot(delayMs,
                       [&]
                       {
                           auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
                           ASSERT_NE(dialog, nullptr);
                           ran = true;
                           act(*dialog);
                       });
    open();
    return ran;
}
