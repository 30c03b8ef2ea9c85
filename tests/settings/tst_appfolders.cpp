#include "settings/appfolders.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

// Which folder the programs work in, and where translations come from.
class tst_AppFolders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void chooseWorkingDir_data();
    void chooseWorkingDir();
    void prepareUserDir();
    void prepareUserDirFailure();
    void userDataDirFollowsHome();
    void translationSearchOrder();

private:
    QTemporaryDir m_root;
    QString path(const QString &name) const { return m_root.filePath(name); }
};

void tst_AppFolders::initTestCase()
{
    QVERIFY(m_root.isValid());
    QDir root(m_root.path());
    // An installed tree, a build folder (even one holding a "translations"
    // folder of its own) and a folder with and without config.ini.
    for (const char *sub : {"usr/bin", "usr/share/zrvu/translations", "build/app", "build/translations",
                            "work-with-config", "work-empty", "home/.local/share"})
        QVERIFY(root.mkpath(QLatin1String(sub)));
    QFile config(path(QStringLiteral("work-with-config/config.ini")));
    QVERIFY(config.open(QIODevice::WriteOnly));
}

void tst_AppFolders::chooseWorkingDir_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("expected");
    QTest::newRow("installed, no config.ini: per-user") << "work-empty" << "usr/bin" << "user";
    QTest::newRow("installed, config.ini here: stays") << "work-with-config" << "usr/bin" << "work-with-config";
    QTest::newRow("build folder: stays") << "work-empty" << "build/app" << "work-empty";
    QTest::newRow("build folder with config.ini") << "work-with-config" << "build/app" << "work-with-config";
    QTest::newRow("program folder unknown") << "work-empty" << "" << "work-empty";
    QTest::newRow("installed, started in bin") << "usr/bin" << "usr/bin" << "user";
}

void tst_AppFolders::chooseWorkingDir()
{
    QFETCH(QString, current);
    QFETCH(QString, program);
    QFETCH(QString, expected);
    const QString user = path(QStringLiteral("user"));
    const QString chosen = ::chooseWorkingDir(path(current), program.isEmpty() ? QString() : path(program), user);
    QCOMPARE(chosen, expected == QLatin1String("user") ? user : path(expected));
    QVERIFY(!QFileInfo::exists(user)); // deciding creates nothing
}

void tst_AppFolders::prepareUserDir()
{
    const QString user = path(QStringLiteral("fresh/zrvu"));
    QString error;
    QVERIFY2(::prepareUserDir(user, &error), qPrintable(error));
    for (const char *sub : {"Files", "Backups"})
        QVERIFY(QFileInfo(QDir(user).filePath(QLatin1String(sub))).isDir());
    QFile config(QDir(user).filePath(QStringLiteral("config.ini")));
    QVERIFY(config.exists());
    // From now on the folder is chosen by its config.ini, even when an
    // installed program is started inside it.
    QCOMPARE(::chooseWorkingDir(user, path(QStringLiteral("usr/bin")), path(QStringLiteral("other"))), user);

    // A second start keeps what the user has.
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write("[language]\nlanguage=zh_TW\n");
    config.close();
    QVERIFY2(::prepareUserDir(user, &error), qPrintable(error));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), QByteArray("[language]\nlanguage=zh_TW\n"));
}

void tst_AppFolders::prepareUserDirFailure()
{
    QFile blocker(path(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    QVERIFY(!::prepareUserDir(path(QStringLiteral("blocker/zrvu")), &error));
    QVERIFY2(error.contains(QStringLiteral("blocker")), qPrintable(error));
}

void tst_AppFolders::userDataDirFollowsHome()
{
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", path(QStringLiteral("home")).toLocal8Bit());
    qunsetenv("XDG_DATA_HOME");
    const QString dir = userDataDir();
    qputenv("HOME", oldHome);
    if (!oldXdg.isNull())
        qputenv("XDG_DATA_HOME", oldXdg);
    QCOMPARE(dir, path(QStringLiteral("home/.local/share/zrvu")));
}

void tst_AppFolders::translationSearchOrder()
{
    // Two different catalogues under one name: the first folder that has
    // the file wins; Qt's traditional and simplified texts tell them apart.
    const QString qtDir = qtTranslationsDir();
    QVERIFY(QFile::exists(QDir(qtDir).filePath(QStringLiteral("qtbase_zh_TW.qm"))));
    QDir root(m_root.path());
    QVERIFY(root.mkpath(QStringLiteral("first")) && root.mkpath(QStringLiteral("second")));
    QVERIFY(QFile::copy(QDir(qtDir).filePath(QStringLiteral("qtbase_zh_CN.qm")), path(QStringLiteral("first/x.qm"))));
    QVERIFY(QFile::copy(QDir(qtDir).filePath(QStringLiteral("qtbase_zh_TW.qm")), path(QStringLiteral("second/x.qm"))));

    QTranslator translator;
    const QString empty = path(QStringLiteral("work-empty"));
    QVERIFY(loadTranslation(&translator, QStringLiteral("x"), {empty, path("first"), path("second")}));
    QCOMPARE(translator.translate("QPlatformTheme", "Open"), QStringLiteral("打开"));
    QVERIFY(loadTranslation(&translator, QStringLiteral("x"), {empty, path("second"), path("first")}));
    QCOMPARE(translator.translate("QPlatformTheme", "Open"), QStringLiteral("開啟"));
    QVERIFY(!loadTranslation(&translator, QStringLiteral("missing"), {empty, path("first")}));
    QVERIFY(translator.isEmpty());
    QVERIFY(!loadTranslation(&translator, QString(), {path("first")}));

    // The test program is no installed program: the working folder only.
    QCOMPARE(translationDirs(), QStringList{QStringLiteral(".")});
    QCOMPARE(translationDirs({qtDir}), (QStringList{QStringLiteral("."), qtDir}));
}

QTEST_GUILESS_MAIN(tst_AppFolders)
#include "tst_appfolders.moc"
