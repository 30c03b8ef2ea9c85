#include "tests/support/windowcheck.h"

#include <QApplication>
#include <QWidget>

namespace {

QList<QWidget *> visibleWidgets()
{
    QList<QWidget *> open;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isHidden())
            open << w;
    return open;
}

QString nameOf(const QWidget *w)
{
    const QString cls = QString::fromLatin1(w->metaObject()->className());
    return w->objectName().isEmpty() ? cls : cls + QLatin1Char('(') + w->objectName() + QLatin1Char(')');
}

} // namespace

QStringList visibleTopLevels()
{
    QStringList names;
    for (const QWidget *w : visibleWidgets())
        names << nameOf(w);
    return names;
}

QStringList closeVisibleTopLevels()
{
    const QStringList names = visibleTopLevels();
    for (QWidget *w : visibleWidgets()) {
        if (!w->close())
            w->hide();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return names;
}
