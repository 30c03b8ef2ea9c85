#pragma once

#include <QStringList>
#include <QTest>

// Visible top-level widgets, each as "Class" or "Class(objectName)".
QStringList visibleTopLevels();
// Closes every visible top-level widget (and hides what refuses to close)
// and returns what was open.
QStringList closeVisibleTopLevels();

// For cleanup(): fails when a test left a window open, after closing it so
// that the next test starts without it.
#define ZR_VERIFY_NO_WINDOWS_LEFT()                                                                                    \
    do {                                                                                                               \
        const QStringList zrOpenWindows = closeVisibleTopLevels();                                                     \
        QVERIFY2(zrOpenWindows.isEmpty(), qPrintable(QStringLiteral("left open: ") + zrOpenWindows.join(QStringLiteral(", ")))); \
    } while (false)
