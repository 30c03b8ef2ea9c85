#include "bench/benchsupport.h"

#include "settings/config.h"
#include "tools/boxanswer/boxanswer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QTextCodec>

BenchSim::~BenchSim()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }
}

bool BenchSim::start(const QStringList &arguments)
{
    switch (SimLauncher::start(m_process, SimLauncher::locate(), arguments, &m_announcement)) {
    case SimLauncher::Ready:
        return true;
    case SimLauncher::NotStarted:
        m_error = m_process.errorString();
        break;
    case SimLauncher::Exited:
        m_error = QStringLiteral("zrsim exited: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
        break;
    case SimLauncher::TimedOut:
        m_error = QStringLiteral("zrsim did not report READY in time");
        break;
    }
    return false;
}

BenchWorkDir::BenchWorkDir()
    : m_previous(QDir::currentPath())
{
    singleton<Config>::destroy();
    QDir::setCurrent(m_dir.path());
}

BenchWorkDir::~BenchWorkDir()
{
    singleton<Config>::destroy();
    QDir::setCurrent(m_previous);
}

void BenchWorkDir::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(filePath(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

void BenchWorkDir::writeUdpConfig(quint16 port, const QVariantMap &extra)
{
    writeConfig({{QStringLiteral("communicate/udp"), 1},
                 {QStringLiteral("udp/address"), QStringLiteral("127.0.0.1")},
                 {QStringLiteral("udp/port"), QString::number(port)},
                 {QStringLiteral("device/address"), 1}},
                extra);
}

void BenchWorkDir::writeSerialConfig(const QString &portName, const QVariantMap &extra)
{
    writeConfig({{QStringLiteral("communicate/udp"), 0},
                 {QStringLiteral("serial/port"), portName},
                 {QStringLiteral("serial/baudrate"), 115200},
                 {QStringLiteral("device/address"), 1}},
                extra);
}

void BenchWorkDir::writeConfig(QVariantMap values, const QVariantMap &extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it)
        values.insert(it.key(), it.value());
    singleton<Config>::destroy();
    QFile::remove(filePath(QStringLiteral("config.ini")));
    QSettings s(filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    s.setIniCodec(QTextCodec::codecForName("utf-8"));
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
}

BoxAnswerer::BoxAnswerer()
{
    connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::answer);
    m_timer.start(30);
}

void BoxAnswerer::answer()
{
    QWidget *w = QApplication::activeModalWidget();
    if (!w || !w->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(w)) {
        m_icons << box->icon();
        answerMessageBox(box);
        return;
    }
    auto *dialog = qobject_cast<QDialog *>(w);
    if (!dialog || m_handled == w)
        return; // not a dialog, or the handler is still working with it
    m_icons << QMessageBox::NoIcon;
    if (!m_handler) {
        dialog->reject();
        return;
    }
    QPointer<QWidget> guard(w);
    m_handled = w;
    m_handler(w);
    if (!guard || !guard->isVisible())
        m_handled = nullptr;
}
