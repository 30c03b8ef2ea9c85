#include "firmware/package.h"
#include "firmware/updatedialog.h"

#include "httptestserver.h"
#include "tests/support/modalcloser.h"
#include "tests/support/simprocess.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

namespace {

// The file prompts are answered by the test instead of a modal dialog.
class TestUpdateDialog : public UpdateDialog
{
public:
    TestUpdateDialog()
        : UpdateDialog(nullptr)
    {
    }
    QString packageAnswer;
    QString folderAnswer;
    QString askedStart;

protected:
    QString askPackagePath(const QString &startFolder) override
    {
        askedStart = startFolder;
        return packageAnswer;
    }
    QString askDownloadFolder(const QString &startFolder) override
    {
        askedStart = startFolder;
        return folderAnswer;
    }
};

QByteArray catalogue(const QByteArray &entries)
{
    return "<html><body><div><div>head</div>" + entries + "</div></body></html>";
}

} // namespace

class tst_UpdateDialog : public QObject
{
    Q_OBJECT

private:
    template<typename T>
    static T *child(QWidget &dialog, const char *name)
    {
        T *w = dialog.findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }

private slots:
    void cleanup();
    void formAndStart();
    void previewAndUpdateMessages();
    void downloadPrompts();
    void refreshThenDownload();
    void catalogueAddressField();
    void flashesThroughTheDialog();
    void flashWithoutBackupWhenItFails();
    void closingWhileFlashingIsRefused();
    void closingStopsDownload();
};

void tst_UpdateDialog::formAndStart()
{
    TempWorkDir dir;
    TestUpdateDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("更新固件"));
    // The form's size, grown only where the fonts need more (offscreen's are large).
    QCOMPARE(dialog.size(), QSize(512, 413).expandedTo(dialog.minimumSizeHint()));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(!child<QPushButton>(dialog, "bntUpdate")->isEnabled());
    QVERIFY(!child<QLineEdit>(dialog, "edFilePath")->isEnabled());
    QCOMPARE(child<QProgressBar>(dialog, "barUpdate")->value(), 0);
    QCOMPARE(child<QProgressBar>(dialog, "barDownload")->maximum(), 100);
}

void tst_UpdateDialog::previewAndUpdateMessages()
{
    TempWorkDir dir;
    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    auto *select = child<QPushButton>(dialog, "bntSelectFile");
    auto *update = child<QPushButton>(dialog, "bntUpdate");

    const QString good = dir.filePath("good.zrbin");
    QVERIFY(writePackage(good, packageFields("设备A", "ZR-1", "V1.2", QByteArray(10, 'i')), nullptr));
    dialog.packageAnswer = good;
    select->click();
    QCOMPARE(dialog.askedStart, QDir::current().filePath("Files"));
    QVERIFY(QFileInfo(dialog.askedStart).isDir());
    QCOMPARE(child<QLineEdit>(dialog, "edFilePath")->text(), QDir::toNativeSeparators(good));
    QCOMPARE(child<QLineEdit>(dialog, "edFilePath")->toolTip(), QDir::toNativeSeparators(good));
    QCOMPARE(child<QLineEdit>(dialog, "edDevice")->text(), QStringLiteral("设备A"));
    QCOMPARE(child<QLineEdit>(dialog, "edType")->text(), QStringLiteral("ZR-1"));
    QCOMPARE(child<QLineEdit>(dialog, "edVersion")->text(), QStringLiteral("V1.2"));
    QVERIFY(update->isEnabled());

    // A damaged package: fields cleared, nothing shown, no flashing.
    const QString text = dir.filePath("text.zrbin");
    dir.writeFile("text.zrbin", "plain text");
    dialog.packageAnswer = text;
    select->click();
    QCOMPARE(child<QLineEdit>(dialog, "edDevice")->text(), QString());
    QCOMPARE(child<QLineEdit>(dialog, "edType")->text(), QString());
    QVERIFY(!update->isEnabled());
    QCOMPARE(closer.count(), 0);

    // Cancelling empties everything, silently.
    dialog.packageAnswer = good;
    select->click();
    QVERIFY(update->isEnabled());
    dialog.packageAnswer.clear();
    select->click();
    QCOMPARE(child<QLineEdit>(dialog, "edFilePath")->text(), QString());
    QCOMPARE(child<QLineEdit>(dialog, "edVersion")->text(), QString());
    QVERIFY(!update->isEnabled());
    QCOMPARE(closer.count(), 0);

    // Deleted after the preview.
    dialog.packageAnswer = good;
    select->click();
    QVERIFY(QFile::remove(good));
    update->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("更新失败,文件不存在或拒绝访问!")});
    QCOMPARE(closer.seen().at(0).title, QStringLiteral("更新固件"));
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Critical);

    // Damaged after the preview: the reader's own text.
    closer.clear();
    QVERIFY(writePackage(good, packageFields("D", "M", "V", "x"), nullptr));
    select->click();
    QVERIFY(writePackageDatabase(good, {}, true, nullptr));
    update->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("解析文件失败,文件操作失败!")});
    QVERIFY(!dialog.updateThread().isRunning());
}

void tst_UpdateDialog::downloadPrompts()
{
    TempWorkDir dir;
    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    child<QPushButton>(dialog, "bntDownload")->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("请选择设备类型!")});

    // The folder starts at Files/ and can be typed or pasted.
    auto *folder = child<QLineEdit>(dialog, "edDownloadDir");
    QCOMPARE(folder->text(), QDir::toNativeSeparators(dir.filePath("Files")));
    folder->clear();
    QTest::keyClicks(folder, QStringLiteral("typed"));
    QCOMPARE(folder->text(), QStringLiteral("typed"));
    folder->clear();

    closer.clear();
    child<QComboBox>(dialog, "cmbFileList")->addItem(QIcon(), "A", "http://127.0.0.1:9/a.zrbin");
    child<QPushButton>(dialog, "bntDownload")->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("请选择下载路径!")});

    dialog.folderAnswer = dir.filePath("Files");
    child<QPushButton>(dialog, "bntSelectPath")->click();
    QCOMPARE(child<QLineEdit>(dialog, "edDownloadDir")->text(), QDir::toNativeSeparators(dir.filePath("Files")));
    dialog.folderAnswer.clear();
    child<QPushButton>(dialog, "bntSelectPath")->click();
    QCOMPARE(child<QLineEdit>(dialog, "edDownloadDir")->text(), QString());
}

void tst_UpdateDialog::refreshThenDownload()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    const QByteArray package(5000, 'p');
    HttpTestServer::Response page;
    page.body = catalogue("<div><div>ZR-B</div><div><a href=\"" + server.url("/f/b.zrbin").toLatin1()
                          + "\">get</a></div></div><div><div>ZR-A</div><div><a href=\""
                          + server.url("/f/a.zrbin").toLatin1() + "\">get</a></div></div>");
    server.setResponse("/down.html", page);
    HttpTestServer::Response file;
    file.body = package;
    server.setResponse("/f/a.zrbin", file);
    HttpTestServer::Response broken;
    broken.body = package;
    broken.withLength = false;
    server.setResponse("/f/b.zrbin", broken);
    dir.writeConfig({{"update/catalogue", server.url("/down.html")}});

    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    auto *list = child<QComboBox>(dialog, "cmbFileList");
    auto *refresh = child<QPushButton>(dialog, "bntRefresh");
    refresh->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.deviceTypeMgr().isFinished() && refresh->isEnabled(), 10000);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("ZR-A"));
    QCOMPARE(list->itemData(0).toString(), server.url("/f/a.zrbin"));

    dialog.folderAnswer = dir.filePath("Files/down");
    child<QPushButton>(dialog, "bntSelectPath")->click();
    child<QPushButton>(dialog, "bntDownload")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 1, 10000);
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("文件下载成功!")});
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Information);
    QCOMPARE(dir.readFile("Files/down/a.zrbin"), package);
    QTRY_COMPARE(child<QProgressBar>(dialog, "barDownload")->value(), 0);
    QTRY_VERIFY(child<QPushButton>(dialog, "bntDownload")->isEnabled());

    closer.clear();
    list->setCurrentIndex(1);
    child<QPushButton>(dialog, "bntDownload")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 1, 10000);
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("下载异常: 未找到该文件或下载失败")});
    QVERIFY(!QFileInfo::exists(dir.filePath("Files/down/b.zrbin")));

    // A catalogue that no longer parses is reported; the list is emptied.
    // The message may arrive before the download's end re-enables the
    // button, and a click on a disabled button starts nothing.
    QTRY_VERIFY(refresh->isEnabled());
    closer.clear();
    page.body = "not a page";
    server.setResponse("/down.html", page);
    refresh->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 1, 10000);
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("获取设备列表失败,请重试!")});
    QTRY_VERIFY(refresh->isEnabled());
    QCOMPARE(list->count(), 0);
}

void tst_UpdateDialog::catalogueAddressField()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response page;
    page.body = catalogue("<div><div>ZR-A</div><div><a href=\"http://127.0.0.1:9/a.zrbin\">get</a></div></div>");
    server.setResponse("/down.html", page);

    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    auto *address = child<QLineEdit>(dialog, "edCatalogueUrl");
    auto *refresh = child<QPushButton>(dialog, "bntRefresh");
    // Nothing set: nothing is requested.
    QCOMPARE(address->text(), QString());
    refresh->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("未设置设备列表地址!")});
    QVERIFY(!dialog.deviceTypeMgr().isRunning() && !dialog.deviceTypeMgr().isFinished());

    closer.clear();
    QTest::keyClicks(address, QStringLiteral("ftp://127.0.0.1/down.html"));
    refresh->click();
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("设备列表地址无效,请输入 http 或 https 地址!")});
    QVERIFY(!dialog.deviceTypeMgr().isFinished());

    closer.clear();
    address->clear();
    QTest::keyClicks(address, server.url("/down.html"));
    refresh->click();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.deviceTypeMgr().isFinished() && refresh->isEnabled(), 10000);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(child<QComboBox>(dialog, "cmbFileList")->count(), 1);
    QCOMPARE(server.requestedPaths(), QStringList{"/down.html"});
    // Kept in the same key the command line reads.
    resetConfigStore();
    QCOMPARE(DeviceTypeMgr::configuredCatalogueUrl(), server.url("/down.html"));
}

void tst_UpdateDialog::flashesThroughTheDialog()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--model", "ZR-9", "--flash-out", dir.filePath("got.bin")}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    QByteArray image(5000, '\0');
    for (int i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i % 251);
    const QString good = dir.filePath("Files/fw.zrbin");
    QVERIFY(QDir().mkpath(dir.filePath("Files")));
    QVERIFY(writePackage(good, packageFields("D", "ZR-9", "V", image), nullptr));

    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    auto *bar = child<QProgressBar>(dialog, "barUpdate");
    int highest = 0;
    connect(bar, &QProgressBar::valueChanged, this, [&highest](int v) { highest = qMax(highest, v); });
    dialog.packageAnswer = good;
    child<QPushButton>(dialog, "bntSelectFile")->click();
    // Cancelling the confirmation sends nothing.
    closer.setButtonText(QStringLiteral("取消"));
    child<QPushButton>(dialog, "bntUpdate")->click();
    QCOMPARE(closer.count(), 1);
    QVERIFY(!dialog.updateThread().isRunning());
    QVERIFY(!dialog.flashSucceeded());
    closer.clear();
    closer.setButtonText(QString());
    dialog.setInstrumentSummary(QStringLiteral("设备型号: ZR-9\n软件版本: U"));
    child<QPushButton>(dialog, "bntUpdate")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 2, 20000);
    QCOMPARE(closer.texts(), (QStringList{QStringLiteral("固件文件\n设备: D\n型号: ZR-9\n版本: V\n\n设备当前\n"
                                                         "设备型号: ZR-9\n软件版本: U\n\n开始更新固件?"),
                                          QStringLiteral("固件更新成功!")}));
    QCOMPARE(closer.seen().at(0).icon, QMessageBox::Question);
    QCOMPARE(closer.seen().at(1).icon, QMessageBox::Information);
    QVERIFY(dialog.flashSucceeded());
    QCOMPARE(bar->value(), 0);
    QCOMPARE(highest, 81); // the last page starts at 4096 of 5000 bytes
    QTRY_VERIFY(child<QPushButton>(dialog, "bntUpdate")->isEnabled());
    QTRY_COMPARE(dir.readFile("got.bin"), image);

    // The other model is refused with the thread's text.
    closer.clear();
    QVERIFY(writePackage(good, packageFields("D", "ZR-8", "V", image), nullptr));
    child<QPushButton>(dialog, "bntSelectFile")->click();
    child<QPushButton>(dialog, "bntUpdate")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 2, 20000);
    QCOMPARE(closer.texts().last(), QStringLiteral("固件更新失败,BIN文件与设备型号不一致!"));

}

// The window's backup reads the items first; an instrument in its loader
// answers only the flash frames, and is the one that needs the flash.
void tst_UpdateDialog::flashWithoutBackupWhenItFails()
{
    TempWorkDir dir;
    SimProcess sim;
    QVERIFY2(sim.start({"--udp", "127.0.0.1:0", "--model", "ZR-9", "--loader-only", "--flash-out",
                        dir.filePath("got.bin")}),
             qPrintable(sim.lastError()));
    dir.writeUdpConfig(sim.udpPort());
    const QByteArray image(1500, '\x5A');
    const QString good = dir.filePath("Files/fw.zrbin");
    QVERIFY(QDir().mkpath(dir.filePath("Files")));
    QVERIFY(writePackage(good, packageFields("D", "ZR-9", "V", image), nullptr));
    ModalCloser closer;
    TestUpdateDialog dialog;
    dialog.show();
    dialog.packageAnswer = good;
    child<QPushButton>(dialog, "bntSelectFile")->click();
    int backups = 0;
    dialog.updateThread().setBeforeFlash([&backups] {
        ++backups;
        return QStringLiteral("接收数据超时");
    });
    const QString question = QStringLiteral("无法保存备份,固件未更新: 接收数据超时\n\n不保存备份,继续更新固件?");

    // The confirmation is accepted; declining the question sends nothing.
    auto decline = connect(&dialog.updateThread(), &UpdateThread::signalBeforeFlashFailed, this,
                           [&closer] { closer.setButtonText(QStringLiteral("取消")); });
    child<QPushButton>(dialog, "bntUpdate")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 2, 20000);
    QCOMPARE(closer.texts().at(1), question);
    QCOMPARE(closer.seen().at(1).icon, QMessageBox::Warning);
    QVERIFY(closer.texts().at(0).contains(QStringLiteral("设备当前\n未知(未从当前连接读取)")));
    QTRY_VERIFY(!dialog.updateThread().isRunning());
    QVERIFY(!QFile::exists(dir.filePath("got.bin")));
    disconnect(decline);

    // Agreeing flashes once, without a second backup attempt.
    closer.clear();
    closer.setButtonText(QString());
    child<QPushButton>(dialog, "bntUpdate")->click();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 3, 20000);
    QCOMPARE(closer.texts().mid(1), (QStringList{question, QStringLiteral("固件更新成功!")}));
    QCOMPARE(backups, 2);
    QTRY_COMPARE(dir.readFile("got.bin"), image);
}

void tst_UpdateDialog::closingWhileFlashingIsRefused()
{
    TempWorkDir dir;
    // An instrument that never answers keeps the flash thread busy.
    QUdpSocket silent;
    QVERIFY(silent.bind(QHostAddress::LocalHost, 0));
    dir.writeUdpConfig(silent.localPort());
    const QString good = dir.filePath("good.zrbin");
    QVERIFY(writePackage(good, packageFields("D", "ZR-1", "V", QByteArray(10, 'i')), nullptr));

    ModalCloser closer;
    auto dialog = std::make_unique<TestUpdateDialog>();
    dialog->updateThread().setTimeouts(1500, 1500, 100);
    dialog->show();
    dialog->packageAnswer = good;
    child<QPushButton>(*dialog, "bntSelectFile")->click();
    child<QPushButton>(*dialog, "bntUpdate")->click();
    QTRY_VERIFY(!child<QPushButton>(*dialog, "bntSelectFile")->isEnabled());
    QVERIFY(!child<QPushButton>(*dialog, "bntUpdate")->isEnabled());
    QVERIFY(!child<QPushButton>(*dialog, "bntDownload")->isEnabled());
    QVERIFY(dialog->updateThread().isRunning());

    QVERIFY(!dialog->close());
    QVERIFY(dialog->isVisible());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(dialog->isVisible());
    QCOMPARE(closer.texts().mid(1), (QStringList{QStringLiteral("正在更新固件,请等待更新完成!"), QStringLiteral("正在更新固件,请等待更新完成!")}));

    closer.clear();
    QTRY_VERIFY_WITH_TIMEOUT(closer.count() == 1, 15000);
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("固件更新失败,获取设备ID失败!")});
    QTRY_VERIFY(child<QPushButton>(*dialog, "bntSelectFile")->isEnabled());
    QVERIFY(child<QPushButton>(*dialog, "bntUpdate")->isEnabled());
    QVERIFY(child<QPushButton>(*dialog, "bntDownload")->isEnabled());
    // Two identify requests and two leave requests reached the instrument.
    int datagrams = 0;
    while (silent.hasPendingDatagrams()) {
        silent.receiveDatagram();
        ++datagrams;
    }
    QCOMPARE(datagrams, 4);
    QVERIFY(dialog->close());
}

void tst_UpdateDialog::closingStopsDownload()
{
    TempWorkDir dir;
    HttpTestServer server;
    QVERIFY(server.listen());
    HttpTestServer::Response stall;
    stall.body = QByteArray(100000, 's');
    stall.closeAfter = 2000;
    stall.stallAfterClose = true;
    server.setResponse("/s.zrbin", stall);
    dir.writeFile("s.zrbin", "older");

    ModalCloser closer;
    auto dialog = std::make_unique<TestUpdateDialog>();
    dialog->show();
    child<QComboBox>(*dialog, "cmbFileList")->addItem(QIcon(), "S", server.url("/s.zrbin"));
    dialog->folderAnswer = dir.path();
    child<QPushButton>(*dialog, "bntSelectPath")->click();
    child<QPushButton>(*dialog, "bntDownload")->click();
    QTRY_VERIFY_WITH_TIMEOUT(child<QProgressBar>(*dialog, "barDownload")->value() > 0, 10000);
    QVERIFY(dialog->downloadThread().isRunning());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->downloadThread().isFinished());
    dialog.reset();
    QCOMPARE(closer.count(), 0);
    QCOMPARE(dir.readFile("s.zrbin"), QByteArray("older"));
}

void tst_UpdateDialog::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_UpdateDialog)
#include "tst_updatedialog.moc"
