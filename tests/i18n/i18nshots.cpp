// Opens the main window, its menus, every dialog and the message boxes in
// one language and saves a PNG of each, to look at the layouts:
//   zr_i18n_shots --lang en_US --out DIR [--qm DIR] [--list]
// Runs in a fresh temporary working directory; talks to no instrument.
#include "app/mainwindow.h"
#include "items/configtree.h"
#include "link/messageboxes.h"
#include "settings/config.h"
#include "tests/i18n/dialogcatalogue.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString g_outDir;
int g_failures = 0;

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void report(const QString &name, QWidget *w)
{
    const QString file = QDir(g_outDir).filePath(name + QStringLiteral(".png"));
    if (!w->grab().save(file)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
        ++g_failures;
    }
    const QStringList clipped = clippedTexts(w);
    std::printf("%s %dx%d (minimum %dx%d)%s\n", qPrintable(name), w->width(), w->height(),
                w->minimumSizeHint().width(), w->minimumSizeHint().height(), clipped.isEmpty() ? "" : " CLIPPED:");
    for (const QString &c : clipped)
        std::printf("    %s\n", qPrintable(c));
    std::fflush(stdout);
}

// Runs `open`, which is expected to run a modal box or dialog; shoots the
// first new modal widget, lets `inside` work on it, then dismisses it.
// Bounded: gives up after ten seconds.
void shootModal(const QString &name, const std::function<void()> &open,
                const std::function<void(QWidget *)> &inside = {})
{
    QWidget *before = QApplication::activeModalWidget();
    auto *timer = new QTimer;
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (done)
            return;
        if (clock.elapsed() > 10000) {
            std::fprintf(stderr, "%s: no modal window appeared\n", qPrintable(name));
            ++g_failures;
            done = true;
            timer->stop();
            if (modal && modal != before)
                modal->close();
            return;
        }
        if (!modal || modal == before)
            return;
        done = true;
        timer->stop();
        settle();
        report(name, modal);
        if (inside)
            inside(modal);
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            const QList<QAbstractButton *> buttons = box->buttons();
            if (!buttons.isEmpty())
                buttons.first()->click();
            else
                box->reject();
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
    });
    timer->start();
    open();
    timer->stop();
    delete timer;
    if (!done) {
        std::fprintf(stderr, "%s: returned without a modal window\n", qPrintable(name));
        ++g_failures;
    }
}

QString tr(const char *context, const char *text)
{
    return QCoreApplication::translate(context, text);
}

template<typename T>
T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QString::fromLatin1(name));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_DisableWindowContextHelpButton);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"lang", "language code (en_US, zh_CH, zh_TW, or empty)", "code"});
    parser.addOption({"out", "folder for the PNG files", "dir"});
    parser.addOption({"qm", "folder holding the compiled translations", "dir", QStringLiteral(ZR_QM_DIR)});
    parser.addOption({"only", "shoot only these names (comma-separated)", "names"});
    parser.addHelpOption();
    parser.process(app);
    g_outDir = parser.value("out");
    if (g_outDir.isEmpty()) {
        std::fprintf(stderr, "--out is required\n");
        return 2;
    }
    QDir().mkpath(g_outDir);
    g_outDir = QDir(g_outDir).absolutePath();
    const QStringList only = parser.value("only").split(QLatin1Char(','), Qt::SkipEmptyParts);
    auto wanted = [&](const QString &name) { return only.isEmpty() || only.contains(name); };

    QTemporaryDir work;
    for (const char *l : {"en_US", "zh_CH", "zh_TW"}) {
        const QString qm = QString::fromLatin1(l) + QStringLiteral(".qm");
        QFile::copy(QDir(parser.value("qm")).filePath(qm), work.filePath(qm));
    }
    {
        QSettings ini(work.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("language/language"), parser.value("lang"));
        // A UDP link to a port nobody serves: the setup dialog shows the UDP group.
        ini.setValue(QStringLiteral("communicate/udp"), 1);
        ini.setValue(QStringLiteral("udp/address"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("udp/port"), 9);
    }
    QDir::setCurrent(work.path());

    MainWindow w;
    w.show();
    const QStringList rows[] = {{"设备地址", "1"}, {"站点名称", "Station 1"}, {"采样间隔", "60"},
                                {"波特率(2400/4800/9600/19200)", "9600"}, {"恢复出厂设置", ""}};
    int index = 0;
    for (const QStringList &row : rows)
        w.tree()->appendItemRow(index++, row);
    settle();
    if (wanted("main"))
        report(QStringLiteral("main"), &w);

    const QList<QAction *> menus = w.menuBar()->actions();
    for (int i = 0; i < menus.size(); ++i) {
        QMenu *menu = menus.at(i)->menu();
        const QString name = QStringLiteral("menu%1").arg(i + 1);
        if (!menu || !wanted(name))
            continue;
        menu->popup(w.mapToGlobal(w.menuBar()->actionGeometry(menus.at(i)).bottomLeft()));
        settle();
        report(name, menu);
        menu->hide();
    }

    for (const DialogCase &c : dialogCases()) {
        if (!wanted(c.name))
            continue;
        QDialog *d = c.make(&w);
        d->show();
        settle();
        report(c.name, d);
        delete d;
    }

    // The boxes, opened through the code that opens them in use.
    if (wanted("setup_error")) {
        QDialog *setup = dialogCase(QStringLiteral("setup")).make(&w);
        setup->show();
        child<QLineEdit>(setup, "edUdpAddress")->clear();
        shootModal(QStringLiteral("setup_error"), [setup] { child<QPushButton>(setup, "bntOk")->click(); });
        delete setup;
    }
    if (wanted("search_error")) {
        QDialog *search = dialogCase(QStringLiteral("search")).make(&w);
        search->show();
        shootModal(QStringLiteral("search_error"), [search] { child<QPushButton>(search, "bntOk")->click(); });
        delete search;
    }
    if (wanted("inputsn_error")) {
        QDialog *sn = dialogCase(QStringLiteral("inputsn")).make(&w);
        sn->show();
        shootModal(QStringLiteral("inputsn_error"), [sn] { child<QPushButton>(sn, "bntOk")->click(); });
        delete sn;
    }
    if (wanted("history_error")) {
        QDialog *history = dialogCase(QStringLiteral("history")).make(&w);
        history->show();
        const QList<QDateEdit *> dates = history->findChildren<QDateEdit *>();
        if (dates.size() >= 2) {
            dates.at(0)->setDate(QDate(2024, 5, 31));
            dates.at(1)->setDate(QDate(2024, 5, 1));
        }
        QPushButton *query = nullptr;
        for (QPushButton *b : history->findChildren<QPushButton *>()) {
            if (b->text() == tr("HistoryData", "查询"))
                query = b;
        }
        if (query)
            shootModal(QStringLiteral("history_error"), [query] { query->click(); });
        delete history;
    }
    if (wanted("command_confirm"))
        shootModal(QStringLiteral("command_confirm"), [&w] {
            QString value;
            w.editItem(QStringLiteral("05. 恢复出厂设置"), QString(), value);
        });
    if (wanted("main_error"))
        shootModal(QStringLiteral("main_error"), [&w] {
            w.showMessageBox(tr("MainWindow", "写入SN"), tr("MainWindow", "写入SN失败,连接设备失败,请检查通讯设置"),
                             w.windowIcon());
        });
    if (wanted("update_error"))
        shootModal(QStringLiteral("update_error"), [&w] {
            showErrorBox(tr("UpdateThread", "固件更新失败,BIN文件与设备型号不一致!"), &w);
        });
    if (wanted("update_info"))
        shootModal(QStringLiteral("update_info"),
                   [] { showInfoBox(tr("UpdateDialog", "正在更新固件,请等待更新完成!"), nullptr); });

    w.close();
    return g_failures == 0 ? 0 : 1;
}
