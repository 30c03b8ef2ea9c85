#include "app/mainwindow.h"
#include "items/configtree.h"
#include "items/writepreviewdialog.h"
#include "tests/support/windowcheck.h"
#include "tests/support/modalcloser.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/siteitems.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTreeWidget>
#include <QtTest>

namespace {

QAction *action(MainWindow &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}

bool runAction(MainWindow &w, const char *name, int timeoutMs = 30000)
{
    QSignalSpy ended(&w, &MainWindow::signalExchangeEnded);
    action(w, name)->trigger();
    return ended.count() > 0 || ended.wait(timeoutMs);
}

// "name|instrument|file|note|check" per visible row; check is "on", "off" or "-".
QStringList visibleRows(const WritePreviewDialog *dialog)
{
    QStringList out;
    const QTreeWidget *table = dialog->table();
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = table->topLevelItem(i);
        if (item->isHidden())
            continue;
        const QString check = !(item->flags() & Qt::ItemIsUserCheckable)
            ? QStringLiteral("-")
            : item->checkState(0) == Qt::Checked ? QStringLiteral("on") : QStringLiteral("off");
        out << QStringList{item->text(0), item->text(1), item->text(2), item->text(3), check}.join(QLatin1Char('|'));
    }
    return out;
}

// With ZRVU_SHOTS set (a folder), the screen as the X server shows it.
void screenshot(const QString &name)
{
    const QString dir = qEnvironmentVariable("ZRVU_SHOTS");
    if (dir.isEmpty())
        return;
    QTest::qWait(400); // let the X server paint before the shot
    QProcess::execute(QStringLiteral("import"), {"-window", "root", QDir(dir).filePath(name + ".png")});
}

QString shotLanguage()
{
    return qEnvironmentVariable("ZRVU_SHOTS_LANG");
}

} // namespace

class tst_WritePreview : public QObject
{
    Q_OBJECT

private:
    bool setUp(SimProcess &sim, TempWorkDir &dir, bool pty)
    {
        dir.writeFile(QStringLiteral("sim-items.txt"), kSiteItems);
        QStringList args{"--items", dir.filePath(QStringLiteral("sim-items.txt"))};
        args << (pty ? QStringList{"--pty"} : QStringList{"--udp", "127.0.0.1:0"});
        if (!sim.start(args)) {
            qWarning() << sim.lastError();
            return false;
        }
        QVariantMap extra{{"device/address", 1}};
        if (!shotLanguage().isEmpty()) {
            extra.insert(QStringLiteral("language/language"), shotLanguage());
            const QString qm = QStringLiteral(ZR_BUILD_QM_DIR "/%1.qm").arg(shotLanguage());
            QFile::copy(qm, dir.filePath(shotLanguage() + ".qm"));
        }
        if (pty)
            dir.writeSerialConfig(sim.ptyPath(), extra);
        else
            dir.writeUdpConfig(sim.udpPort(), extra);
        dir.writeFile(QStringLiteral("other.csv"), kOtherSite);
        return true;
    }

private slots:
    void cleanup() { ZR_VERIFY_NO_WINDOWS_LEFT(); }
    void previewBackupWriteVerifyRestore_data();
    void previewBackupWriteVerifyRestore();
    void failingBackupStopsTheWrite();
    void cancelledPreviewWritesNothing();
};

void tst_WritePreview::previewBackupWriteVerifyRestore_data()
{
    QTest::addColumn<bool>("pty");
    QTest::newRow("udp") << false;
    QTest::newRow("pty") << true;
}

void tst_WritePreview::previewBackupWriteVerifyRestore()
{
    QFETCH(bool, pty);
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(setUp(sim, dir, pty));
    ModalCloser closer;
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString fileName;
    w.setFileNameProvider([&](bool, const QString &) { return fileName; });

    // An export taken just before, to compare the backup with.
    QVERIFY(runAction(w, "refresh"));
    QCOMPARE(w.tree()->topLevelItemCount(), 6);
    fileName = dir.filePath(QStringLiteral("before.csv"));
    action(w, "export_2")->trigger();
    fileName = dir.filePath(QStringLiteral("other.csv"));
    action(w, "import_2")->trigger();
    QCOMPARE(w.tree()->topLevelItemCount(), 7);

    QStringList shown;
    QStringList shownAll;
    closer.setDialogHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<WritePreviewDialog *>(widget);
        QVERIFY(dialog);
        shown = visibleRows(dialog);
        if (!pty)
            screenshot(QStringLiteral("preview-%1").arg(shotLanguage().isEmpty() ? "zh_CH" : shotLanguage()));
        dialog->showUnchangedBox()->setChecked(true);
        shownAll = visibleRows(dialog);
        dialog->accept();
    });
    QVERIFY(runAction(w, "save"));
    if (!qEnvironmentVariableIsEmpty("ZRVU_SHOTS") && !pty) {
        // The box as the window showed it, held open for the picture.
        QMessageBox box(closer.seen().last().icon, closer.seen().last().title, closer.texts().last(),
                        QMessageBox::NoButton, &w);
        box.addButton(QCoreApplication::translate("MainWindow", "确定"), QMessageBox::AcceptRole);
        box.setWindowModality(Qt::NonModal);
        box.show();
        screenshot(QStringLiteral("verify-%1").arg(shotLanguage().isEmpty() ? "zh_CH" : shotLanguage()));
        box.close();
        return;
    }
    QCOMPARE(shown, (QStringList{"00. 站点名称|A站|B站|受保护|off", "02. Rate(1/5/10/60)|10|60|将修改|on",
                                 "03. Uptime|1234 h|99 h|将修改|on", "04. IP地址|10.0.0.8|10.0.0.9|受保护|off",
                                 "09. Extra||1|设备没有此项|-"}
                     ));
    QCOMPARE(shownAll.size(), 6);
    QCOMPARE(shownAll.at(1), QStringLiteral("01. 设备名称|ZR-Demo|ZR-Demo|相同|-"));
    // Only the checked rows went out, in file order.
    QCOMPARE(simLines(sim, "^ZRSIM (WRITE|REFUSED|COMMAND)", 2),
             (QStringList{"ZRSIM WRITE 2 Rate(1/5/10/60):60", "ZRSIM REFUSED 3 99 h"}));
    // The backup is the export of what was there.
    const QStringList backups = QDir(dir.filePath("Backups")).entryList(QDir::Files);
    QCOMPARE(backups.size(), 1);
    QVERIFY2(backups[0].startsWith(QStringLiteral("A站-")), qPrintable(backups[0]));
    QCOMPARE(dir.readFile("Backups/" + backups[0]), dir.readFile("before.csv"));
    // The check names the row the instrument kept, with both values.
    const QStringList texts = closer.texts();
    QVERIFY2(texts.last().contains(QStringLiteral("Uptime: 写入 99 h,设备保持 1234 h")), qPrintable(texts.join('\n')));

    // Restore: the same preview, backup, write and check with the backup file.
    closer.clear();
    sim.outputLines();
    fileName = dir.filePath("Backups/" + backups[0]);
    closer.setDialogHandler([&](QWidget *widget) {
        auto *dialog = qobject_cast<WritePreviewDialog *>(widget);
        QVERIFY(dialog);
        shown = visibleRows(dialog);
        dialog->accept();
    });
    QSignalSpy refreshed(&w.refreshThread(), &QThread::finished);
    QVERIFY(runAction(w, "restore"));
    QCOMPARE(shown, (QStringList{"02. Rate(1/5/10/60)|60|10|将修改|on"}));
    QCOMPARE(closer.texts().last(), QStringLiteral("核对完成: 写入的 1 项全部保持"));
    QCOMPARE(QDir(dir.filePath("Backups")).entryList(QDir::Files).size(), 2);
    // Afterwards the tree shows the instrument again.
    QVERIFY(refreshed.count() > 0 || refreshed.wait(20000));
    QTRY_COMPARE(w.tree()->topLevelItemCount(), 6);
    QCOMPARE(w.tree()->topLevelItem(2)->text(1), QStringLiteral(": 10"));
}

void tst_WritePreview::failingBackupStopsTheWrite()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(setUp(sim, dir, false));
    dir.writeFile(QStringLiteral("Backups"), "not a folder");
    ModalCloser closer;
    MainWindow w;
    w.setFileNameProvider([&](bool, const QString &) { return dir.filePath(QStringLiteral("other.csv")); });
    action(w, "import_2")->trigger();
    closer.setDialogHandler([](QWidget *widget) { qobject_cast<QDialog *>(widget)->accept(); });
    QVERIFY(runAction(w, "save"));
    QVERIFY2(closer.texts().last().startsWith(QStringLiteral("无法保存备份,未写入任何项")),
             qPrintable(closer.texts().join('\n')));
    QVERIFY(simLines(sim, "^ZRSIM (WRITE|REFUSED)", 1).isEmpty());
    QVERIFY(action(w, "save")->isEnabled());
}

void tst_WritePreview::cancelledPreviewWritesNothing()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY(setUp(sim, dir, false));
    ModalCloser closer; // rejects the preview
    MainWindow w;
    w.setFileNameProvider([&](bool, const QString &) { return dir.filePath(QStringLiteral("other.csv")); });
    action(w, "import_2")->trigger();
    QVERIFY(runAction(w, "save"));
    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.seen().at(0).className, QStringLiteral("WritePreviewDialog"));
    QVERIFY(simLines(sim, "^ZRSIM (WRITE|REFUSED)", 1).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("Backups")));
    QVERIFY(action(w, "save")->isEnabled());
}

QTEST_MAIN(tst_WritePreview)
#include "tst_writepreview.moc"
