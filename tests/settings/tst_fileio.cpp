#include "settings/fileio.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/workdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

class tst_FileIo : public QObject
{
    Q_OBJECT

private slots:
    void readRefuses_data();
    void readRefuses();
    void readWithinCap();
    void writeReplacesWhole();
    void failedWriteKeepsOlderFile_data();
    void failedWriteKeepsOlderFile();
    void nonRegularTargetRefused();
    void causeNamesFullDisk();
    void defaultSuffix_data();
    void defaultSuffix();
};

void tst_FileIo::readRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::newRow("missing") << "missing" << int(FileReadResult::NotFound);
    QTest::newRow("fifo") << "fifo" << int(FileReadResult::NotRegular);
    QTest::newRow("device") << "device" << int(FileReadResult::NotRegular);
    QTest::newRow("folder") << "folder" << int(FileReadResult::NotRegular);
    QTest::newRow("over cap") << "big" << int(FileReadResult::TooLarge);
}

void tst_FileIo::readRefuses()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QTemporaryDir dir;
    QString path = dir.filePath("input");
    if (kind == "fifo")
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else if (kind == "device")
        path = "/dev/zero";
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("input"));
    else if (kind == "big") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2048, 'x'));
    }
    // A FIFO without a writer would block a plain open for ever.
    const FileReadResult r = readRegularFile(path, 1024);
    QCOMPARE(int(r.status), status);
    QVERIFY(r.bytes.isEmpty());
    QVERIFY(!r.detail.isEmpty());
}

void tst_FileIo::readWithinCap()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ok");
    QVERIFY(writeWholeFile(path, QByteArray(1024, 'y')).isEmpty());
    const FileReadResult r = readRegularFile(path, 1024);
    QVERIFY(r.ok());
    QCOMPARE(r.bytes, QByteArray(1024, 'y'));
}

void tst_FileIo::writeReplacesWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.csv");
    QVERIFY(writeWholeFile(path, "old").isEmpty());
    QVERIFY(writeWholeFile(path, "new content").isEmpty());
    QCOMPARE(fileBytes(path), QByteArray("new content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.csv"});
}

void tst_FileIo::failedWriteKeepsOlderFile_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("throughDevice");
    // Below the write buffer the failure shows only at the final flush.
    QTest::newRow("small, flush fails") << 6000 << false;
    QTest::newRow("large, write fails") << 300000 << false;
    QTest::newRow("device writer") << 300000 << true;
}

void tst_FileIo::failedWriteKeepsOlderFile()
{
    QFETCH(int, size);
    QFETCH(bool, throughDevice);
    QTemporaryDir dir;
    const QString path = dir.filePath("export.csv");
    QVERIFY(writeWholeFile(path, "older file").isEmpty());
    QString error;
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        SafeFileWriter writer(path);
        QVERIFY(writer.open());
        const QByteArray bytes(size, 'z');
        if (throughDevice)
            writer.device()->write(bytes);
        else
            writer.write(bytes);
        QVERIFY(!writer.commit());
        error = writer.errorText();
    }
    QCOMPARE(fileBytes(path), QByteArray("older file"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"export.csv"});
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    QVERIFY2(error.contains(SafeFileWriter::tr("文件超过系统允许的大小")), qPrintable(error));
}

void tst_FileIo::nonRegularTargetRefused()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    SafeFileWriter writer(fifo);
    QVERIFY(!writer.open());
    QVERIFY(!writer.errorText().isEmpty());
    QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
    QVERIFY(!writeWholeFile("/dev/null", "x").isEmpty());
}

void tst_FileIo::causeNamesFullDisk()
{
    QCOMPARE(fileErrorCause(ENOSPC, "system text"), SafeFileWriter::tr("磁盘空间不足"));
    QCOMPARE(fileErrorCause(EIO, "system text"), QString("system text"));
}

void tst_FileIo::defaultSuffix_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("bare name") << "/tmp/log" << "/tmp/log.txt";
    QTest::newRow("trailing dot") << "/tmp/log." << "/tmp/log.txt";
    QTest::newRow("own suffix kept") << "/tmp/log.LOG" << "/tmp/log.LOG";
    QTest::newRow("dot in the folder only") << "/tmp/a.b/log" << "/tmp/a.b/log.txt";
    QTest::newRow("cancelled") << "" << "";
}

void tst_FileIo::defaultSuffix()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QCOMPARE(withDefaultSuffix(typed, QStringLiteral("txt")), saved);
}

QTEST_GUILESS_MAIN(tst_FileIo)
#include "tst_fileio.moc"
#include "tests/support/workdir.h"
