#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// What `cmake --install` leaves: the programs and the translation files in
// one folder, so that running from there (the working directory the
// language switch looks in) finds the translations.
class tst_InstallLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void filesSideBySide_data();
    void filesSideBySide();
    void installedCliSpeaksEnglish();

private:
    QTemporaryDir m_prefix;
    QString bin() const { return m_prefix.filePath(QStringLiteral("bin")); }
};

void tst_InstallLayout::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.start(QStringLiteral(ZR_CMAKE_COMMAND),
                  {"--install", QStringLiteral(ZR_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
             install.readAllStandardError().constData());
}

void tst_InstallLayout::filesSideBySide_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("executable");
    QTest::newRow("zrvu") << "zrvu" << true;
    QTest::newRow("zrvu-cli") << "zrvu-cli" << true;
    QTest::newRow("en_US") << "en_US.qm" << false;
    QTest::newRow("zh_TW") << "zh_TW.qm" << false;
    QTest::newRow("zh_CH") << "zh_CH.qm" << false;
}

void tst_InstallLayout::filesSideBySide()
{
    QFETCH(QString, name);
    QFETCH(bool, executable);
    const QFileInfo file(QDir(bin()).filePath(name));
    QVERIFY2(file.isFile(), qPrintable(file.filePath()));
    QVERIFY(file.size() > 0);
    QCOMPARE(file.isExecutable(), executable);
}

void tst_InstallLayout::installedCliSpeaksEnglish()
{
    QProcess cli;
    cli.setWorkingDirectory(bin());
    cli.start(QDir(bin()).filePath(QStringLiteral("zrvu-cli")), {"--lang", "en_US", "flash", "gone.zrbin"});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 1);
    QCOMPARE(QString::fromUtf8(cli.readAllStandardError()),
             QStringLiteral("zrvu-cli: Update failed: the file does not exist or access is denied.\n"));
    // The run left no settings behind in the installed folder.
    QVERIFY(!QFileInfo::exists(QDir(bin()).filePath(QStringLiteral("config.ini"))));
}

QTEST_GUILESS_MAIN(tst_InstallLayout)
#include "tst_installlayout.moc"
