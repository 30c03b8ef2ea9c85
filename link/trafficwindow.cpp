#include "link/trafficwindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColor>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>
#include <set>

namespace {

// A frame of a history page can be kilobytes long; the view shows its
// start, copies and saved files get all of it.
constexpr int kMaxShownHex = 3 * 96;

// Keeps the menu action's text in the window's language.
class ActionTranslator : public QObject
{
public:
    ActionTranslator(QAction *action, QWidget *window)
        : QObject(window)
        , m_action(action)
    {
        window->installEventFilter(this);
        retranslate();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange && watched == parent())
            retranslate();
        return false;
    }

private:
    void retranslate()
    {
        m_action->setText(TrafficWindow::tr("通讯记录"));
        m_action->setToolTip(TrafficWindow::tr("通讯记录"));
    }

    QAction *m_action;
};

} // namespace

// ---- TrafficModel -------------------------------------------------------------

TrafficModel::TrafficModel(int capacity, QObject *parent)
    : QAbstractTableModel(parent)
    , m_capacity(std::max(1, capacity))
{
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::directionText(TrafficDirection direction)
{
    switch (direction) {
    case TrafficDirection::Sent:
        return TrafficWindow::tr("→ 发送");
    case TrafficDirection::Received:
        return TrafficWindow::tr("← 接收");
    case TrafficDirection::Dropped:
        return TrafficWindow::tr("× 丢弃");
    }
    return QString();
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const Row &row = role == Qt::DisplayRole ? texts(index.row()) : m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case TimeColumn:
            return row.time;
        case DirectionColumn:
            return directionText(row.entry.direction);
        case HexColumn:
            return row.hex.size() > kMaxShownHex ? row.hex.left(kMaxShownHex) + QChar(0x2026) : row.hex;
        case ExplanationColumn:
            return row.explanation;
        }
    } else if (role == Qt::ToolTipRole) {
        const QString transport = row.entry.udp ? QStringLiteral("UDP") : TrafficWindow::tr("串口");
        QString tip = QStringLiteral("%1 %2, %3 %4")
                          .arg(transport, row.entry.endpoint)
                          .arg(row.entry.bytes.size())
                          .arg(TrafficWindow::tr("字节"));
        if (!row.entry.inner.isEmpty())
            tip += QLatin1Char('\n') + TrafficWindow::tr("内层帧: %1").arg(trafficHex(row.entry.inner));
        return tip;
    } else if (role == Qt::ForegroundRole) {
        if (row.entry.direction == TrafficDirection::Dropped)
            return QColor(Qt::gray);
        if (row.entry.note == TrafficNote::CrcFailed || row.entry.note == TrafficNote::Incomplete)
            return QColor(Qt::darkRed);
    } else if (role == Qt::TextAlignmentRole && index.column() == DirectionColumn) {
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn:
        return TrafficWindow::tr("时间");
    case DirectionColumn:
        return TrafficWindow::tr("方向");
    case HexColumn:
        return TrafficWindow::tr("数据");
    case ExplanationColumn:
        return TrafficWindow::tr("说明");
    }
    return QVariant();
}

void TrafficModel::append(const QVector<TrafficEntry> &entries)
{
    if (entries.isEmpty())
        return;
    // Only the newest `capacity` can stay; older ones are never shown.
    const int skip = std::max(0, entries.size() - m_capacity);
    const int adding = entries.size() - skip;
    const int overflow = int(m_rows.size()) + adding - m_capacity;
    if (overflow > 0) {
        beginRemoveRows(QModelIndex(), 0, overflow - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + overflow);
        endRemoveRows();
    }
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + adding - 1);
    for (int i = skip; i < entries.size(); ++i) {
        const TrafficEntry &e = entries.at(i);
        m_rows.push_back({e, QString(), QString(), QString()});
    }
    endInsertRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

const TrafficModel::Row &TrafficModel::texts(int row) const
{
    const Row &r = m_rows[size_t(row)];
    if (r.time.isEmpty()) {
        r.time = r.entry.time.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz"));
        r.hex = trafficHex(r.entry.bytes);
        r.explanation = explainTraffic(r.entry);
    }
    return r;
}

QString TrafficModel::line(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return QString();
    const Row &r = texts(row);
    return r.entry.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char('\t')
        + directionText(r.entry.direction) + QLatin1Char('\t') + r.entry.endpoint + QLatin1Char('\t') + r.hex
        + QLatin1Char('\t') + r.explanation;
}

void TrafficModel::retranslate()
{
    for (Row &row : m_rows)
        row.time.clear();
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

// ---- TrafficWindow ------------------------------------------------------------

TrafficWindow::TrafficWindow(TrafficLog *log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
{
    setObjectName(QStringLiteral("TrafficWindow"));
    resize(1000, 560);
    m_model = new TrafficModel(log ? log->capacity() : TrafficLog::kDefaultCapacity, this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout();
    m_pause = new QCheckBox(this);
    m_pause->setObjectName(QStringLiteral("ckPause"));
    m_clear = new QPushButton(this);
    m_clear->setObjectName(QStringLiteral("bntClear"));
    m_copy = new QPushButton(this);
    m_copy->setObjectName(QStringLiteral("bntCopy"));
    m_save = new QPushButton(this);
    m_save->setObjectName(QStringLiteral("bntSave"));
    m_filterLabel = new QLabel(this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("editFilter"));
    m_filter->setClearButtonEnabled(true);
    m_filterLabel->setBuddy(m_filter);
    bar->addWidget(m_pause);
    bar->addWidget(m_clear);
    bar->addWidget(m_copy);
    bar->addWidget(m_save);
    bar->addSpacing(16);
    bar->addWidget(m_filterLabel);
    bar->addWidget(m_filter, 1);
    layout->addLayout(bar);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("trafficView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->setAlternatingRowColors(true);
    // Hex columns line up only in a fixed-pitch font; fixed row heights
    // spare the view measuring every new row.
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 4);
    m_view->verticalHeader()->hide();
    QHeaderView *header = m_view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    layout->addWidget(m_view);

    connect(m_pause, &QCheckBox::toggled, this, &TrafficWindow::setPaused);
    connect(m_clear, &QPushButton::clicked, this, &TrafficWindow::clearLog);
    connect(m_copy, &QPushButton::clicked, this, &TrafficWindow::copySelection);
    connect(m_save, &QPushButton::clicked, this, &TrafficWindow::slotSave);
    connect(m_filter, &QLineEdit::textChanged, this, &TrafficWindow::setFilterText);
    auto *copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &TrafficWindow::copySelection);
    m_view->addAction(copy);

    QScrollBar *scroll = m_view->verticalScrollBar();
    connect(scroll, &QScrollBar::valueChanged, this, [this, scroll](int value) { m_follow = value >= scroll->maximum(); });
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        if (m_follow)
            scroll->setValue(maximum);
    });

    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &TrafficWindow::pullEntries);
    m_timer->start();
    retranslate();
    pullEntries();
}

TrafficWindow::~TrafficWindow() = default;

TrafficLog *TrafficWindow::applicationLog()
{
    // Never destroyed: links on worker threads may still report while the
    // program winds down.
    static TrafficLog *log = [] {
        auto *l = new TrafficLog();
        setDefaultTrafficObserver(l);
        return l;
    }();
    return log;
}

QAction *TrafficWindow::addMenuAction(QMenu *menu, QWidget *window)
{
    applicationLog();
    auto *action = menu->addAction(QString());
    action->setObjectName(QStringLiteral("traffic"));
    new ActionTranslator(action, window);
    QObject::connect(action, &QAction::triggered, window, [window] {
        auto *w = window->findChild<TrafficWindow *>(QStringLiteral("TrafficWindow"), Qt::FindDirectChildrenOnly);
        if (!w)
            w = new TrafficWindow(applicationLog(), window);
        w->show();
        w->raise();
        w->activateWindow();
    });
    return action;
}

void TrafficWindow::pullEntries()
{
    if (!m_log || m_pause->isChecked())
        return;
    const QVector<TrafficEntry> entries = m_log->entriesAfter(m_lastSequence);
    if (entries.isEmpty())
        return;
    m_lastSequence = entries.constLast().sequence;
    m_model->append(entries);
}

void TrafficWindow::setPaused(bool paused)
{
    if (m_pause->isChecked() != paused)
        m_pause->setChecked(paused);
    if (!paused)
        pullEntries();
}

void TrafficWindow::setFilterText(const QString &text)
{
    if (m_filter->text() != text)
        m_filter->setText(text);
    // Unfiltered, the view shows the model itself: a proxy renumbers its
    // whole mapping on every batch, which grows with the rows.
    if (text.isEmpty()) {
        if (m_view->model() != m_model) {
            m_view->setModel(m_model);
            m_proxy->setSourceModel(nullptr);
            applyColumnWidths();
        }
        return;
    }
    m_proxy->setFilterFixedString(text);
    if (m_view->model() != m_proxy) {
        m_proxy->setSourceModel(m_model);
        m_view->setModel(m_proxy);
        applyColumnWidths();
    }
}

QAbstractItemModel *TrafficWindow::shownModel() const
{
    return m_view->model();
}

int TrafficWindow::sourceRow(const QModelIndex &index) const
{
    return index.model() == m_proxy ? m_proxy->mapToSource(index).row() : index.row();
}

QString TrafficWindow::shownText() const
{
    const QAbstractItemModel *shown = shownModel();
    QString text;
    for (int r = 0; r < shown->rowCount(); ++r)
        text += m_model->line(sourceRow(shown->index(r, 0))) + QLatin1Char('\n');
    return text;
}

void TrafficWindow::applyColumnWidths()
{
    const QFontMetrics metrics(m_view->font());
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    m_view->setColumnWidth(TrafficModel::TimeColumn, digit * 14);
    m_view->setColumnWidth(TrafficModel::HexColumn, digit * 48);
    // "← received" is wider than "← 接收"; the column follows the language.
    int direction = metrics.horizontalAdvance(tr("方向"));
    for (const TrafficDirection d : {TrafficDirection::Sent, TrafficDirection::Received, TrafficDirection::Dropped})
        direction = std::max(direction, metrics.horizontalAdvance(TrafficModel::directionText(d)));
    m_view->setColumnWidth(TrafficModel::DirectionColumn, direction + 24);
}

void TrafficWindow::copySelection()
{
    std::set<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows.insert(sourceRow(index));
    QString text;
    for (const int row : rows)
        text += m_model->line(row) + QLatin1Char('\n');
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TrafficWindow::clearLog()
{
    if (m_log) {
        m_log->clear();
        m_lastSequence = m_log->lastSequence();
    }
    m_model->clear();
}

void TrafficWindow::slotSave()
{
    const QString caption = tr("保存通讯记录");
    const QString fileName = m_fileNameProvider
        ? m_fileNameProvider(caption)
        : QFileDialog::getSaveFileName(this, caption, QString(), tr("文本文件 (*.txt);;所有文件 (*)"));
    if (fileName.isEmpty())
        return;
    saveTo(fileName);
    m_boxOnSaveError = !m_fileNameProvider;
}

void TrafficWindow::saveTo(const QString &fileName)
{
    const QByteArray bytes = shownText().toUtf8();
    QPointer<TrafficWindow> self(this);
    QThread *thread = QThread::create([bytes, fileName, self] {
        QSaveFile file(fileName);
        bool ok = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        ok = ok && file.commit();
        const QString error = ok ? QString() : file.errorString();
        // Delivered on the GUI thread, where the pointer is judged.
        QMetaObject::invokeMethod(qApp, [self, ok, fileName, error] {
            if (self)
                self->slotSaveDone(ok, fileName, error);
        });
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    m_save->setEnabled(false);
    m_boxOnSaveError = false;
    thread->start();
}

void TrafficWindow::slotSaveDone(bool ok, const QString &fileName, const QString &error)
{
    m_save->setEnabled(true);
    const QString message = ok ? QString() : tr("无法保存 %1: %2").arg(QDir::toNativeSeparators(fileName), error);
    emit saveFinished(ok, message);
    if (!ok && m_boxOnSaveError)
        QMessageBox::critical(this, tr("保存通讯记录"), message);
    m_boxOnSaveError = false;
}

void TrafficWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void TrafficWindow::retranslate()
{
    setWindowTitle(tr("通讯记录"));
    m_pause->setText(tr("暂停"));
    m_clear->setText(tr("清除"));
    m_copy->setText(tr("复制"));
    m_save->setText(tr("保存"));
    m_filterLabel->setText(tr("筛选:"));
    m_filter->setPlaceholderText(tr("按文字筛选"));
    m_model->retranslate();
    applyColumnWidths();
}
