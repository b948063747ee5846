#pragma once

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

// Runs open, which shows a modal dialog, and lets act work that dialog (of
// type T) delayMs after it is asked for. True when act ran; a failure when the
// modal widget then up is not a T.
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
