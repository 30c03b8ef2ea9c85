// zrpack: builds a firmware package from an image file.
#include "firmware/package.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zrpack"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Builds a .zrbin firmware package."));
    parser.addHelpOption();
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("Device name shown to the user."),
                                    QStringLiteral("TEXT"));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Model the instrument must report."),
                                   QStringLiteral("TEXT"));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Firmware version text."),
                                     QStringLiteral("TEXT"));
    const QCommandLineOption image(QStringLiteral("image"), QStringLiteral("Firmware image file."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Package file to write."),
                                    QStringLiteral("FILE"));
    parser.addOptions({device, model, version, image, output});
    parser.process(app);

    QTextStream err(stderr);
    if (!parser.isSet(image) || !parser.isSet(output) || !parser.isSet(model)) {
        err << "zrpack: --model, --image and --output are required\n";
        return 2;
    }
    QFile in(parser.value(image));
    if (!in.open(QIODevice::ReadOnly)) {
        err << "zrpack: cannot read " << in.fileName() << ": " << in.errorString() << "\n";
        return 1;
    }
    const QByteArray bytes = in.readAll();

    QString error;
    const QString target = parser.value(output);
    if (!writePackage(target,
                      packageFields(parser.value(device), parser.value(model), parser.value(version), bytes),
                      &error)) {
        err << "zrpack: " << error << "\n";
        return 1;
    }
    QTextStream(stdout) << "ZRPACK " << target << " " << bytes.size() << " "
                        << QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex() << "\n";
    return 0;
}
