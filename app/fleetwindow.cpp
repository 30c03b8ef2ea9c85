#include "app/fleetwindow.h"

#include "discovery/searchdevicedialog.h"
#include "firmware/package.h"
#include "items/exchangethread.h"
#include "items/itemcsv.h"
#include "items/safewrite.h"
#include "settings/fileio.h"
#include "settings/recentconnections.h"
#include "settings/settingkeys.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QHostAddress>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <atomic>
#include <functional>

FleetWindow::FleetWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FleetWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_toolBar = new QToolBar(this);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_toolBar);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("fleetTree"));
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_tree->setColumnCount(ColumnCount);
    layout->addWidget(m_tree, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("fleetStatus"));
    layout->addWidget(m_status);

    auto add = [this](QAction **slot, const char *name, void (FleetWindow::*method)()) {
        *slot = new QAction(this);
        (*slot)->setObjectName(QLatin1String(name));
        connect(*slot, &QAction::triggered, this, method);
    };
    add(&m_refresh, "fleetRefresh", &FleetWindow::refreshAll);
    add(&m_backup, "fleetBackup", &FleetWindow::backupChecked);
    add(&m_write, "fleetWrite", &FleetWindow::writeChecked);
    add(&m_restore, "fleetRestore", &FleetWindow::restoreChecked);
    add(&m_clock, "fleetClock", &FleetWindow::syncClockChecked);
    add(&m_flash, "fleetFlash", &FleetWindow::flashChecked);
    add(&m_export, "fleetExport", &FleetWindow::exportChecked);
    add(&m_stop, "fleetStop", &FleetWindow::stop);
    add(&m_saveResults, "fleetSaveResults", &FleetWindow::saveResults);
    add(&m_reference, "fleetReference", &FleetWindow::chooseReference);
    add(&m_remove, "fleetRemove", &FleetWindow::removeSelected);
    add(&m_saveList, "fleetSaveList", &FleetWindow::saveTargets);
    add(&m_addHand, "fleetAddHand", &FleetWindow::addByHand);
    add(&m_addSearch, "fleetAddSearch", &FleetWindow::addFromSearch);
    m_protected = new QAction(this);
    m_protected->setObjectName(QStringLiteral("fleetProtected"));
    m_protected->setCheckable(true);
    m_addMenu = new QMenu(this);
    m_recentMenu = new QMenu(this);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &FleetWindow::fillRecentMenu);
    m_addMenu->addAction(m_addHand);
    m_addMenu->addAction(m_addSearch);
    m_addMenu->addMenu(m_recentMenu);
    m_add = new QAction(this);
    m_add->setObjectName(QStringLiteral("fleetAdd"));
    m_add->setMenu(m_addMenu);

    for (QAction *a : {m_refresh, m_backup, m_write, m_restore, m_clock, m_flash, m_export, m_stop})
        m_toolBar->addAction(a);
    m_toolBar->addSeparator();
    m_toolBar->addAction(m_add);
    if (auto *button = qobject_cast<QToolButton *>(m_toolBar->widgetForAction(m_add)))
        button->setPopupMode(QToolButton::InstantPopup);
    for (QAction *a : {m_remove, m_saveList, m_reference, m_protected, m_saveResults})
        m_toolBar->addAction(a);

    connect(m_runner.get(), &FleetRunner::instrumentsChanged, this, &FleetWindow::rebuild);
    connect(m_runner.get(), &FleetRunner::rowChanged, this, &FleetWindow::updateRow);
    connect(m_runner.get(), &FleetRunner::actionFinished, this, &FleetWindow::onFinished);
    connect(m_tree, &QTreeWidget::itemChanged, this, &FleetWindow::onItemChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, &FleetWindow::onDoubleClicked);

    FleetJobOptions options;
    options.backupKeep = SettingKeys::backupKeep.read();
    options.protectedPatterns = protectedNamePatterns(SettingKeys::writeProtected.read());
    QString warning;
    options.table = loadSkipTable(QStringLiteral("SkipItems"), &warning);
    m_runner->setOptions(options);

    retranslate();
    // Fixed widths: sizing to contents on every progress update would cost
    // the GUI thread with hundreds of rows.
    const int widths[] = {110, 170, 50, 80, 110, 80, 80, 140, 80};
    for (int c = 0; c < ColResult; ++c)
        m_tree->setColumnWidth(c, widths[c]);
    resize(1240, 520);
    updateActions();
}

FleetWindow::~FleetWindow()
{
    if (!m_runner->isRunning())
        return;
    // What runs (a flash is never cut short) ends on its own; the runner
    // stays with the application until then instead of holding this thread.
    m_runner->stop();
    FleetRunner *runner = m_runner.release();
    runner->setParent(QCoreApplication::instance());
    connect(runner, &FleetRunner::actionFinished, runner, &QObject::deleteLater);
}

void FleetWindow::retranslate()
{
    setWindowTitle(tr("多台设备"));
    m_refresh->setText(tr("刷新全部"));
    m_backup->setText(tr("备份"));
    m_write->setText(tr("写入文件"));
    m_restore->setText(tr("恢复备份"));
    m_clock->setText(tr("同步时间"));
    m_flash->setText(tr("更新固件"));
    m_export->setText(tr("导出"));
    m_stop->setText(tr("停止"));
    m_stop->setToolTip(tr("不再开始新的操作;进行中的读写在当前项之后停止,固件更新会完成"));
    m_saveResults->setText(tr("保存结果"));
    m_reference->setText(tr("参考文件"));
    m_add->setText(tr("添加"));
    m_remove->setText(tr("删除"));
    m_saveList->setText(tr("保存列表"));
    m_addHand->setText(tr("手动添加..."));
    m_addSearch->setText(tr("搜索设备..."));
    m_recentMenu->setTitle(tr("最近的连接"));
    m_protected->setText(tr("包括受保护项"));
    m_protected->setToolTip(tr("写入文件时也写入受保护的配置项 (%1)").arg(SettingKeys::writeProtected.read()));
    m_tree->setHeaderLabels({tr("名称"), tr("连接"), tr("地址"), tr("状态"), tr("站点名称"), tr("型号"),
                             tr("固件版本"), tr("最近备份"), tr("与参考不同"), tr("结果")});
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        updateRow(i);
}

void FleetWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void FleetWindow::closeEvent(QCloseEvent *event)
{
    // Nothing new starts; what runs finishes on its own and reports here.
    m_runner->stop();
    event->accept();
}

QString FleetWindow::statusText() const
{
    return m_statusText;
}

void FleetWindow::setStatus(const QString &text)
{
    m_statusText = text;
    m_status->setText(text);
}

void FleetWindow::rebuild()
{
    m_updating = true;
    m_tree->clear();
    for (int i = 0; i < m_runner->instruments().size(); ++i) {
        auto *item = new QTreeWidgetItem(m_tree);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    }
    m_updating = false;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        updateRow(i);
    updateActions();
}

void FleetWindow::updateRow(int row)
{
    QTreeWidgetItem *item = m_tree->topLevelItem(row);
    if (!item || row >= m_runner->instruments().size())
        return;
    const FleetInstrument &in = m_runner->instruments().at(row);
    m_updating = true;
    item->setCheckState(ColName, in.checked ? Qt::Checked : Qt::Unchecked);
    item->setText(ColName, in.name);
    item->setText(ColEndpoint, (in.link.useUdp ? QStringLiteral("UDP ") : QString()) + FleetRunner::endpointText(in.link));
    item->setText(ColAddress, QString::number(in.link.deviceAddress));
    item->setText(ColState, FleetRunner::stateText(in.state));
    item->setText(ColStation, in.station);
    item->setText(ColModel, in.model);
    item->setText(ColVersion, in.version);
    item->setText(ColBackup, in.lastBackup.isValid() ? in.lastBackup.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                                     : QString());
    item->setToolTip(ColBackup, QDir::toNativeSeparators(in.lastBackupPath));
    const int differs = m_runner->differences(row);
    item->setText(ColDiffers, differs < 0 ? QString() : QString::number(differs));
    const QString result = in.state == FleetInstrument::Running && !in.progress.isEmpty() ? in.progress : in.message;
    item->setText(ColResult, QString(result).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    item->setToolTip(ColResult, result);
    QColor colour;
    if (in.state == FleetInstrument::NoAnswer || in.state == FleetInstrument::Error)
        colour = QColor(0xC0, 0x20, 0x20);
    else if (in.state == FleetInstrument::Ok)
        colour = QColor(0x20, 0x80, 0x20);
    item->setForeground(ColState, colour.isValid() ? QBrush(colour) : QBrush());
    m_updating = false;
}

void FleetWindow::updateActions()
{
    const bool running = m_runner->isRunning();
    const bool any = !m_runner->instruments().isEmpty();
    for (QAction *a : {m_refresh, m_backup, m_write, m_restore, m_clock, m_flash, m_export})
        a->setEnabled(!running && any);
    for (QAction *a : {m_remove, m_saveList, m_saveResults})
        a->setEnabled(!running && any);
    m_add->setEnabled(!running);
    m_stop->setEnabled(running && !m_runner->stopRequested());
}

void FleetWindow::onItemChanged(QTreeWidgetItem *item, int column)
{
    if (m_updating || column != ColName)
        return;
    m_runner->setChecked(m_tree->indexOfTopLevelItem(item), item->checkState(ColName) == Qt::Checked);
}

void FleetWindow::onDoubleClicked(QTreeWidgetItem *item, int)
{
    const int row = m_tree->indexOfTopLevelItem(item);
    if (row < 0 || row >= m_runner->instruments().size())
        return;
    const FleetInstrument &in = m_runner->instruments().at(row);
    emit instrumentActivated(in.link, in.name);
}

void FleetWindow::onFinished(FleetAction action)
{
    int ok = 0, failed = 0, other = 0;
    for (const FleetInstrument &in : m_runner->instruments()) {
        if (in.state == FleetInstrument::Ok)
            ++ok;
        else if (in.state == FleetInstrument::NoAnswer || in.state == FleetInstrument::Error)
            ++failed;
        else
            ++other;
    }
    Q_UNUSED(action)
    setStatus(tr("完成: %1 台正常,%2 台失败,%3 台其他").arg(ok).arg(failed).arg(other));
    updateActions();
}

QString FleetWindow::askFile(FileKind kind, const QString &caption)
{
    if (m_fileProvider)
        return m_fileProvider(kind, caption);
    const QString csv = tr("配置文件 (*.csv)") + QStringLiteral(";;") + tr("所有文件 (*)");
    const QString targets = tr("设备列表 (*.txt *.targets)") + QStringLiteral(";;") + tr("所有文件 (*)");
    switch (kind) {
    case OpenItemFile:
    case OpenReference:
        return QFileDialog::getOpenFileName(this, caption, QString(), csv);
    case OpenPackage:
        return QFileDialog::getOpenFileName(this, caption, QStringLiteral("Files"),
                                            tr("固件文件 (*.zrbin)") + QStringLiteral(";;") + tr("所有文件 (*)"));
    case OpenTargets:
        return QFileDialog::getOpenFileName(this, caption, QString(), targets);
    case SaveTargets:
        return QFileDialog::getSaveFileName(this, caption, QString(), targets);
    case SaveResults:
        return QFileDialog::getSaveFileName(this, caption, QString(), csv);
    case ExportFolder:
        return QFileDialog::getExistingDirectory(this, caption);
    }
    return QString();
}

bool FleetWindow::confirm(const QString &title, const QString &question, const QStringList &lines)
{
    const QString text = question + QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
    if (m_confirmProvider)
        return m_confirmProvider(title, text);
    QMessageBox box(QMessageBox::Question, title, question, QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDetailedText(lines.join(QLatin1Char('\n')));
    // The list is the point of the question: short ones are shown at once.
    if (lines.size() <= 20)
        box.setText(text);
    box.button(QMessageBox::Ok)->setText(tr("确定"));
    box.button(QMessageBox::Cancel)->setText(tr("取消"));
    return box.exec() == QMessageBox::Ok;
}

QStringList FleetWindow::checkedNames() const
{
    QStringList names;
    for (int row : m_runner->checkedRows()) {
        const FleetInstrument &in = m_runner->instruments().at(row);
        names << QStringLiteral("%1 (%2 #%3)").arg(in.name, FleetRunner::endpointText(in.link)).arg(in.link.deviceAddress);
    }
    return names;
}

FleetJobOptions FleetWindow::baseOptions() const
{
    FleetJobOptions o = m_runner->options();
    o.backupFirst = SettingKeys::backupEnabled.read();
    o.writeProtected = m_protected->isChecked();
    return o;
}

bool FleetWindow::beginOnChecked(FleetAction action, const QString &title, const QString &question,
                                 const QStringList &lines)
{
    if (m_runner->isRunning())
        return false;
    const QList<int> rows = m_runner->checkedRows();
    if (rows.isEmpty()) {
        setStatus(tr("没有勾选的设备"));
        return false;
    }
    if (!confirm(title, question, lines.isEmpty() ? checkedNames() : lines))
        return false;
    m_runner->start(action, rows);
    setStatus(title);
    updateActions();
    return true;
}

void FleetWindow::openTargetsFile(const QString &path)
{
    setStatus(tr("正在读取 %1").arg(QDir::toNativeSeparators(path)));
    m_runner->runInBackground(
        [path]() -> QVariant {
            const FileReadResult read = readRegularFile(path, 1024 * 1024);
            if (!read.ok())
                return QVariantList{false, read.detail.isEmpty() ? itemFileOpenFailedMessage(path) : read.detail};
            return QVariantList{true, QString::fromUtf8(read.bytes)};
        },
        [this, path](const QVariant &v) {
            const QVariantList r = v.toList();
            QVector<FleetInstrument> list;
            const QString error = r.value(0).toBool() ? parseFleetTargets(r.value(1).toString(), &list)
                                                      : r.value(1).toString();
            if (!error.isEmpty() || m_runner->isRunning()) {
                setStatus(tr("无法打开设备列表 %1: %2").arg(QDir::toNativeSeparators(path), error));
                emit fileLoaded(false, error);
                return;
            }
            m_runner->setInstruments(list);
            emit fileLoaded(true, path);
            refreshAll();
        });
}

void FleetWindow::refreshAll()
{
    if (m_runner->isRunning() || m_runner->instruments().isEmpty())
        return;
    QList<int> rows;
    for (int i = 0; i < m_runner->instruments().size(); ++i)
        rows << i;
    FleetJobOptions o = baseOptions();
    m_runner->setOptions(o);
    m_runner->start(FleetAction::Read, rows);
    setStatus(tr("正在读取 %1 台设备").arg(rows.size()));
    updateActions();
}

void FleetWindow::backupChecked()
{
    m_runner->setOptions(baseOptions());
    beginOnChecked(FleetAction::Backup, tr("备份"), tr("备份这些设备的配置到 %1?").arg(QDir::toNativeSeparators(defaultBackupDir())));
}

void FleetWindow::writeChecked()
{
    if (m_runner->isRunning())
        return;
    const QString file = askFile(OpenItemFile, tr("写入文件"));
    if (file.isEmpty())
        return;
    FleetJobOptions o = baseOptions();
    o.itemFile = file;
    m_runner->setOptions(o);
    QString question = tr("把 %1 中与设备不同的配置项写入这些设备?").arg(QDir::toNativeSeparators(file));
    question += QLatin1Char('\n') + (o.writeProtected ? tr("受保护的配置项也会写入。") : tr("受保护的配置项保持不变。"));
    if (o.backupFirst)
        question += QLatin1Char('\n') + tr("写入前先备份每台设备,写入后核对。");
    else
        question += QLatin1Char('\n') + tr("写入后核对。");
    beginOnChecked(FleetAction::Write, tr("写入文件"), question);
}

void FleetWindow::restoreChecked()
{
    m_runner->setOptions(baseOptions());
    beginOnChecked(FleetAction::Restore, tr("恢复备份"), tr("把每台设备最近的备份写回这台设备?"));
}

void FleetWindow::syncClockChecked()
{
    m_runner->setOptions(baseOptions());
    beginOnChecked(FleetAction::ClockSync, tr("同步时间"), tr("把这些设备的时钟设为本机时间?"));
}

void FleetWindow::exportChecked()
{
    if (m_runner->isRunning())
        return;
    const QString dir = askFile(ExportFolder, tr("导出"));
    if (dir.isEmpty())
        return;
    FleetJobOptions o = baseOptions();
    o.exportDir = dir;
    m_runner->setOptions(o);
    beginOnChecked(FleetAction::Export, tr("导出"), tr("把这些设备的配置导出到 %1 (每台设备一个 {名称}.csv)?")
                                                      .arg(QDir::toNativeSeparators(dir)));
}

void FleetWindow::flashChecked()
{
    if (m_runner->isRunning())
        return;
    const QString path = askFile(OpenPackage, tr("更新固件"));
    if (path.isEmpty())
        return;
    setStatus(tr("正在读取 %1").arg(QDir::toNativeSeparators(path)));
    m_runner->runInBackground(
        [path]() -> QVariant {
            static std::atomic<int> serial{0};
            const QString connection = QStringLiteral("fleet-package-info-%1").arg(++serial);
            DEncryptInfo info(path);
            QString error;
            {
                DDbServer db(connection);
                error = db.readInfo(info);
            }
            QSqlDatabase::removeDatabase(connection);
            return QVariantList{error, info.model(), info.version()};
        },
        [this, path](const QVariant &v) {
            const QVariantList r = v.toList();
            const QString error = r.value(0).toString();
            if (!error.isEmpty()) {
                setStatus(error);
                emit fileLoaded(false, error);
                return;
            }
            emit fileLoaded(true, path);
            const QString model = r.value(1).toString();
            const QString version = r.value(2).toString();
            FleetJobOptions o = baseOptions();
            o.packagePath = path;
            o.packageModel = model;
            m_runner->setOptions(o);
            QStringList lines;
            for (int row : m_runner->checkedRows()) {
                const FleetInstrument &in = m_runner->instruments().at(row);
                lines << (fleetModelMatches(in.model, model)
                              ? tr("%1: %2 → %3").arg(in.name, in.version.isEmpty() ? tr("(未知)") : in.version, version)
                              : tr("%1: 跳过 (型号 %2)").arg(in.name, in.model.isEmpty() ? tr("(未知)") : in.model));
            }
            QString question = tr("用 %1 (型号 %2, 版本 %3) 更新这些设备的固件?")
                                   .arg(QDir::toNativeSeparators(path), model, version);
            if (o.backupFirst)
                question += QLatin1Char('\n') + tr("更新前先备份每台设备。");
            beginOnChecked(FleetAction::Flash, tr("更新固件"), question, lines);
        });
}

void FleetWindow::stop()
{
    m_runner->stop();
    if (m_runner->isRunning())
        setStatus(tr("正在停止: 进行中的操作完成后结束"));
    updateActions();
}

void FleetWindow::saveResults()
{
    const QString path = askFile(SaveResults, tr("保存结果"));
    if (path.isEmpty())
        return;
    const QString target = withDefaultSuffix(path, QStringLiteral("csv"));
    const QByteArray bytes = m_runner->resultsCsv();
    m_runner->runInBackground([target, bytes]() -> QVariant { return writeWholeFile(target, bytes); },
                             [this, target](const QVariant &v) {
                                 const QString failure = v.toString();
                                 setStatus(failure.isEmpty() ? tr("结果已保存到 %1").arg(QDir::toNativeSeparators(target))
                                                             : failure);
                                 emit fileLoaded(failure.isEmpty(), failure.isEmpty() ? target : failure);
                             });
}

void FleetWindow::saveTargets()
{
    const QString path = askFile(SaveTargets, tr("保存列表"));
    if (path.isEmpty())
        return;
    const QByteArray bytes = fleetTargetsText(m_runner->instruments()).toUtf8();
    m_runner->runInBackground([path, bytes]() -> QVariant { return writeWholeFile(path, bytes); },
                             [this, path](const QVariant &v) {
                                 const QString failure = v.toString();
                                 setStatus(failure.isEmpty() ? tr("列表已保存到 %1").arg(QDir::toNativeSeparators(path))
                                                             : failure);
                                 emit fileLoaded(failure.isEmpty(), failure.isEmpty() ? path : failure);
                             });
}

void FleetWindow::chooseReference()
{
    const QString path = askFile(OpenReference, tr("参考文件"));
    if (path.isEmpty())
        return;
    const SkipTable table = m_runner->options().table;
    m_runner->runInBackground(
        [path, table]() -> QVariant {
            QList<ItemRow> rows;
            const QString error = loadFleetItemFile(path, table, &rows);
            return QVariant::fromValue(qMakePair(error, rows));
        },
        [this, path](const QVariant &v) {
            const auto r = v.value<QPair<QString, QList<ItemRow>>>();
            if (!r.first.isEmpty()) {
                setStatus(r.first);
                emit fileLoaded(false, r.first);
                return;
            }
            m_runner->setReference(path, r.second);
            setStatus(tr("参考文件: %1").arg(QDir::toNativeSeparators(path)));
            emit fileLoaded(true, path);
        });
}

void FleetWindow::addByHand()
{
    bool ok = false;
    const QString line = QInputDialog::getText(this, tr("手动添加"),
                                               tr("一行一台: udp 主机:端口 地址 [名称] 或 serial 串口 波特率 地址 [名称]"),
                                               QLineEdit::Normal, QStringLiteral("udp 127.0.0.1:5000 1"), &ok);
    if (!ok || line.trimmed().isEmpty())
        return;
    QVector<FleetInstrument> list;
    const QString error = parseFleetTargets(line, &list);
    if (!error.isEmpty()) {
        setStatus(error);
        return;
    }
    for (const FleetInstrument &in : qAsConst(list))
        m_runner->addInstrument(in);
}

void FleetWindow::addFromSearch()
{
    SearchDeviceDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    FleetInstrument in;
    in.link = LinkSettings::fromSettings();
    in.link.useUdp = true;
    in.link.udpAddress = QHostAddress(dialog.selectedHostAddress().toIPv4Address()).toString();
    in.link.udpPort = dialog.selectedHostPort();
    in.name = FleetRunner::endpointText(in.link);
    m_runner->addInstrument(in);
}

void FleetWindow::fillRecentMenu()
{
    m_recentMenu->clear();
    const QVector<LinkSettings> recent = RecentConnections::load();
    if (recent.isEmpty())
        m_recentMenu->addAction(tr("(无)"))->setEnabled(false);
    for (const LinkSettings &link : recent) {
        QAction *a = m_recentMenu->addAction(linkSummaryText(link));
        connect(a, &QAction::triggered, this, [this, link] {
            FleetInstrument in;
            in.link = link;
            in.name = link.useUdp ? FleetRunner::endpointText(link)
                                  : QStringLiteral("%1#%2").arg(link.serialPort).arg(link.deviceAddress);
            m_runner->addInstrument(in);
        });
    }
}

void FleetWindow::removeSelected()
{
    QList<int> rows;
    for (QTreeWidgetItem *item : m_tree->selectedItems())
        rows << m_tree->indexOfTopLevelItem(item);
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_runner->removeInstrument(row);
}
