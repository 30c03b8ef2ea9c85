#include "settings/config.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QCoreApplication::addLibraryPath(QStringLiteral("."));
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton);
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("ZRvu"));
    placeholder.setWindowTitle(applicationTitle(configSettings()->value(QStringLiteral("language/language")).toString()));
    placeholder.resize(474, 502);
    placeholder.show();
    const int rc = app.exec();
    singleton<Config>::destroy();
    return rc;
}
