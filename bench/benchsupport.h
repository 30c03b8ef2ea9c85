#pragma once

#include "tools/zrsim/simlauncher.h"

#include <QMessageBox>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>

#include <functional>

// What the window benchmarks need around the window: a zrsim process, a
// working directory of their own and someone to answer the boxes. The
// benchmarks are programs of the normal build, so they bring these along
// instead of borrowing the tests' helpers.

// zrsim for the length of one case; stopped when destroyed.
class BenchSim
{
public:
    BenchSim() = default;
    ~BenchSim();
    BenchSim(const BenchSim &) = delete;
    BenchSim &operator=(const BenchSim &) = delete;

    bool start(const QStringList &arguments);
    quint16 udpPort() const { return m_announcement.udpPort; }
    QString ptyPath() const { return m_announcement.ptyPath; }
    QString lastError() const { return m_error; }

private:
    QProcess m_process;
    SimLauncher::Announcement m_announcement;
    QString m_error;
};

// A temporary working directory, current while it lives; config.ini is
// rewritten by the write*Config calls, and the settings store re-read.
class BenchWorkDir
{
public:
    BenchWorkDir();
    ~BenchWorkDir();
    BenchWorkDir(const BenchWorkDir &) = delete;
    BenchWorkDir &operator=(const BenchWorkDir &) = delete;

    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    void writeUdpConfig(quint16 port, const QVariantMap &extra = {});
    void writeSerialConfig(const QString &portName, const QVariantMap &extra = {});

private:
    void writeConfig(QVariantMap values, const QVariantMap &extra);

    QTemporaryDir m_dir;
    QString m_previous;
};

// Answers every modal box while it lives: message boxes with their accept
// button (recording the icon), other dialogs with the handler, else reject().
class BoxAnswerer : public QObject
{
    Q_OBJECT

public:
    BoxAnswerer();

    void setDialogHandler(std::function<void(QWidget *)> handler) { m_handler = std::move(handler); }
    int count() const { return m_icons.size(); }
    // NoIcon for a dialog that is not a message box.
    QMessageBox::Icon lastIcon() const { return m_icons.isEmpty() ? QMessageBox::NoIcon : m_icons.last(); }
    void clear() { m_icons.clear(); }

private:
    void answer();

    QTimer m_timer;
    std::function<void(QWidget *)> m_handler;
    QList<QMessageBox::Icon> m_icons;
    QWidget *m_handled = nullptr;
};
