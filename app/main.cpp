#include "app/mainwindow.h"
#include "settings/appfolders.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication::addLibraryPath(QStringLiteral("."));
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton);
    QApplication app(argc, argv);
    // Before the settings store opens config.ini by its relative name.
    QString error;
    if (!enterWorkingDir(&error))
        qWarning("zrvu: %s; working in %s", qPrintable(error), qPrintable(QDir::currentPath()));
    MainWindow window;
    window.show();
    return app.exec();
}
