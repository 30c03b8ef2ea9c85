#include "app/fleetwindow.h"
#include "app/mainwindow.h"
#include "settings/appfolders.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication::addLibraryPath(QStringLiteral("."));
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton);
    QApplication app(argc, argv);
    // zrvu --fleet FILE: the plant view on a targets file, named from where
    // the program was started.
    const QStringList args = QCoreApplication::arguments();
    const int fleet = args.indexOf(QStringLiteral("--fleet"));
    const QString fleetFile = fleet > 0 && fleet + 1 < args.size() ? QDir().absoluteFilePath(args.at(fleet + 1)) : QString();
    // Before the settings store opens config.ini by its relative name.
    QString error;
    if (!enterWorkingDir(&error))
        qWarning("zrvu: %s; working in %s", qPrintable(error), qPrintable(QDir::currentPath()));
    MainWindow window;
    window.show();
    if (!fleetFile.isEmpty())
        window.openFleetWindow()->openTargetsFile(fleetFile);
    return app.exec();
}
