#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QCoreApplication::addLibraryPath(QStringLiteral("."));
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton);
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
