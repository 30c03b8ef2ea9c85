#include "link/trafficwindow.h"

#include "link/messageboxes.h"
#include "settings/fileio.h"

#include <QAction>
#include <QCache>
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
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <memory>
#include <set>

namespace {

// A frame of a history page can be kilobytes long; the view shows its
// start, copies and saved files get all of it.
constexpr int kMaxShownHex = 3 * 96;

// Keeps the menu action's text in the window's language, and owns the one
// traffic window opened from it. That window is a top-level of its own: a
// window with a parent is blocked by the parent's modal dialogs.
class MenuActionOwner : public QObject
{
public:
    MenuActionOwner(QAction *action, QWidget *window)
        : QObject(window)
        , m_action(action)
        , m_window(window)
    {
        window->installEventFilter(this);
        retranslate();
    }

    ~MenuActionOwner() override { delete m_traffic; }

    TrafficWindow *traffic()
    {
        if (!m_traffic) {
            m_traffic = new TrafficWindow(TrafficWindow::applicationLog());
            m_traffic->setWindowIcon(m_window->windowIcon());
            // Closing the main window ends the program, this one open or not.
            m_traffic->setAttribute(Qt::WA_QuitOnClose, false);
        }
        return m_traffic;
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::LanguageChange) {
            retranslate();
        } else if (event->type() == QEvent::Close) {
            // Judged once the close has run: the window may refuse it.
            QMetaObject::invokeMethod(this, [this] {
                if (m_traffic && !m_window->isVisible())
                    m_traffic->close();
            }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void retranslate()
    {
        m_action->setText(TrafficWindow::tr("通讯记录"));
        m_action->setToolTip(TrafficWindow::tr("通讯记录"));
    }

    QAction *m_action;
    QWidget *m_window;
    QPointer<TrafficWindow> m_traffic;
};


// Local time as text. The zone's offset is looked up once an hour of
// entries, not per row: the look-up dominates filtering a full log.
QString localTimeText(const QDateTime &time, const QString &format)
{
    static thread_local qint64 hour = std::numeric_limits<qint64>::min();
    static thread_local int offset = 0;
    const qint64 secs = time.toSecsSinceEpoch();
    if (secs / 3600 != hour) {
        hour = secs / 3600;
        offset = time.toLocalTime().offsetFromUtc();
    }
    return time.toUTC().addSecs(offset).toString(format);
}

// Draws a cell's text from a cache of laid-out, elided texts; the style
// draws the rest (background, selection, focus). A fast stream repaints
// every visible row each batch, and the style would shape each cell's text
// three times per repaint (to size, elide and draw it): that, not the
// rows' data, is what a repaint spent.
class TrafficCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        if (text.isEmpty())
            return;
        // As the style places a cell's text.
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect rect = opt.rect.adjusted(margin, 0, -margin, 0);
        const QStaticText &shown = laidOut(text, rect.width(), opt);
        QPalette::ColorGroup group = opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        const QSizeF size = shown.size();
        const Qt::Alignment align = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
        const qreal x = align & Qt::AlignRight ? rect.right() + 1 - size.width() : rect.left();
        painter->save();
        painter->setClipRect(opt.rect);
        painter->setFont(opt.font);
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                     : QPalette::Text));
        painter->drawStaticText(QPointF(x, rect.top() + (rect.height() - size.height()) / 2), shown);
        painter->restore();
    }

private:
    const QStaticText &laidOut(const QString &text, int width, const QStyleOptionViewItem &opt) const
    {
        const QPair<int, QString> key(width, text);
        if (QStaticText *cached = m_texts.object(key))
            return *cached;
        auto *shown = new QStaticText(opt.textElideMode == Qt::ElideRight
                                          ? elidedCellText(text, width, opt.fontMetrics)
                                          : opt.fontMetrics.elidedText(text, opt.textElideMode, width));
        shown->setTextFormat(Qt::PlainText);
        shown->prepare(QTransform(), opt.font);
        m_texts.insert(key, shown);
        return *shown;
    }

    // A few screens of cells; rows scroll through it as they arrive.
    mutable QCache<QPair<int, QString>, QStaticText> m_texts{4000};
};

} // namespace

QString elidedCellText(const QString &text, int width, const QFontMetrics &metrics)
{
    // Elided from a start of the text, guessed from the digit's width and
    // doubled while it fits whole: no font is trusted to be of one pitch.
    // A start that does not fit with "…" behind it elides as the whole.
    int length = std::max(8, std::max(0, width) / std::max(1, metrics.horizontalAdvance(QLatin1Char('0'))) + 2);
    for (; length < text.size(); length *= 2) {
        const QString head = text.left(length) + QChar(0x2026);
        QString elided = metrics.elidedText(head, Qt::ElideRight, width);
        if (elided != head)
            return elided;
    }
    return metrics.elidedText(text, Qt::ElideRight, width);
}

// ---- TrafficModel -------------------------------------------------------------

TrafficModel::TrafficModel(int capacity, qint64 maxBytes, QObject *parent)
    : QAbstractTableModel(parent)
    , m_capacity(std::max(1, capacity))
    , m_maxBytes(std::max<qint64>(1, maxBytes))
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
    case TrafficDirection::Event:
        return TrafficWindow::tr("! 事件");
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
        case EndpointColumn:
            return row.entry.endpoint;
        case ResponseColumn:
            return row.entry.responseMs < 0 ? QVariant() : QVariant(row.entry.responseMs);
        case HexColumn:
            return row.hex;
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
        if (row.entry.note == TrafficNote::CrcFailed || row.entry.note == TrafficNote::Incomplete
            || row.entry.direction == TrafficDirection::Event)
            return QColor(Qt::darkRed);
    } else if (role == Qt::TextAlignmentRole && index.column() == DirectionColumn) {
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    } else if (role == Qt::TextAlignmentRole && index.column() == ResponseColumn) {
        return int(Qt::AlignRight | Qt::AlignVCenter);
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
    case EndpointColumn:
        return TrafficWindow::tr("端点");
    case ResponseColumn:
        return TrafficWindow::tr("响应(ms)");
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
    // Only the newest that fit can stay; older ones are never shown.
    int skip = entries.size() - 1;
    qint64 adding = trafficEntryCost(entries.constLast());
    while (skip > 0 && entries.size() - skip < m_capacity) {
        const qint64 cost = trafficEntryCost(entries.at(skip - 1));
        if (adding + cost > m_maxBytes)
            break;
        adding += cost;
        --skip;
    }
    const int count = entries.size() - skip;
    int overflow = std::max(0, int(m_rows.size()) + count - m_capacity);
    qint64 freed = 0;
    for (int i = 0; i < overflow; ++i)
        freed += m_rows[size_t(i)].cost;
    while (overflow < int(m_rows.size()) && m_bytes - freed + adding > m_maxBytes)
        freed += m_rows[size_t(overflow++)].cost;
    if (overflow > 0) {
        beginRemoveRows(QModelIndex(), 0, overflow - 1);
        m_rows.erase(m_rows.begin(), m_rows.begin() + overflow);
        m_bytes -= freed;
        endRemoveRows();
    }
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + count - 1);
    for (const TrafficEntry &e : entries) {
        if (e.direction == TrafficDirection::Sent)
            ++m_counts.sent;
        else if (e.direction == TrafficDirection::Event
                 || (e.direction == TrafficDirection::Received && e.note != TrafficNote::None))
            ++m_counts.failed;
        else if (e.direction == TrafficDirection::Received)
            ++m_counts.received;
    }
    for (int i = skip; i < entries.size(); ++i) {
        const TrafficEntry &e = entries.at(i);
        m_rows.push_back({e, QString(), QString(), QString(), trafficEntryCost(e)});
    }
    m_bytes += adding;
    endInsertRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_bytes = 0;
    m_counts = Counts();
    endResetModel();
}

const TrafficModel::Row &TrafficModel::texts(int row) const
{
    const Row &r = m_rows[size_t(row)];
    if (r.time.isEmpty()) {
        r.time = localTimeText(r.entry.time, QStringLiteral("HH:mm:ss.zzz"));
        constexpr int kShownBytes = kMaxShownHex / 3;
        r.hex = trafficHex(r.entry.bytes.left(kShownBytes));
        if (r.entry.bytes.size() > kShownBytes || r.entry.fullLength > 0)
            r.hex += QChar(0x2026);
        r.explanation = explainTraffic(r.entry);
    }
    return r;
}

namespace {

// Hex digits and blanks only: the needle could be in the data column.
bool couldBeHex(const QString &needle)
{
    return std::all_of(needle.cbegin(), needle.cend(), [](QChar c) {
        return c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'));
    });
}

// Whether trafficHex(bytes) contains `needle` (upper case, Latin-1). The hex
// goes into one reused buffer: filtering a long log keeps none of it.
bool hexContains(const QByteArray &bytes, const QByteArray &needle)
{
    static const char digits[] = "0123456789ABCDEF";
    static thread_local QByteArray buffer;
    if (bytes.isEmpty())
        return false;
    buffer.resize(3 * bytes.size() - 1);
    char *out = buffer.data();
    for (int i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<quint8>(bytes.at(i));
        if (i > 0)
            *out++ = ' ';
        *out++ = digits[b >> 4];
        *out++ = digits[b & 0xF];
    }
    return buffer.contains(needle);
}

} // namespace

bool TrafficModel::rowMatches(int row, const QString &needle) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return false;
    const Row &r = texts(row);
    const QString response = r.entry.responseMs < 0 ? QString() : QString::number(r.entry.responseMs);
    for (const QString &text : {r.time, directionText(r.entry.direction), r.entry.endpoint, response, r.explanation}) {
        if (text.contains(needle, Qt::CaseInsensitive))
            return true;
    }
    return couldBeHex(needle) && hexContains(r.entry.bytes, needle.toUpper().toLatin1());
}

QString TrafficModel::line(int row) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return QString();
    const Row &r = texts(row);
    QString hex = trafficHex(r.entry.bytes);
    if (r.entry.fullLength > 0)
        hex += QStringLiteral(" ") + QChar(0x2026);
    return localTimeText(r.entry.time, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + QLatin1Char('\t')
        + directionText(r.entry.direction) + QLatin1Char('\t') + r.entry.endpoint + QLatin1Char('\t') + hex
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

// ---- TrafficFilterModel -------------------------------------------------------

// Asks the model row by row, so that filtering a long log never formats
// every entry's data and keeps it.
class TrafficFilterModel : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setNeedle(const QString &needle)
    {
        m_needle = needle;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &) const override
    {
        const auto *model = static_cast<const TrafficModel *>(sourceModel());
        return m_needle.isEmpty() || model->rowMatches(sourceRow, m_needle);
    }

private:
    QString m_needle;
};

// ---- TrafficWindow ------------------------------------------------------------

TrafficWindow::TrafficWindow(TrafficLog *log, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_log(log)
{
    setObjectName(QStringLiteral("TrafficWindow"));
    keepDialogsWindowModal(this);
    resize(1000, 560);
    m_model = new TrafficModel(log ? log->capacity() : TrafficLog::kDefaultCapacity,
                               log ? log->maxBytes() : TrafficLog::kDefaultMaxBytes, this);
    m_proxy = new TrafficFilterModel(this);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout();
    m_pause = new QCheckBox(this);
    m_pause->setObjectName(QStringLiteral("ckPause"));
    m_follow = new QCheckBox(this);
    m_follow->setObjectName(QStringLiteral("ckFollow"));
    m_follow->setChecked(true);
    m_counts = new QLabel(this);
    m_counts->setObjectName(QStringLiteral("labelCounts"));
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
    bar->addWidget(m_follow);
    bar->addWidget(m_clear);
    bar->addWidget(m_copy);
    bar->addWidget(m_save);
    bar->addSpacing(16);
    bar->addWidget(m_filterLabel);
    bar->addWidget(m_filter, 1);
    bar->addSpacing(16);
    bar->addWidget(m_counts);
    layout->addLayout(bar);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("trafficView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->setItemDelegate(new TrafficCellDelegate(m_view));
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
    // Only the user's own scrolling (bar, wheel, page keys on the bar) ends
    // following, and the box shows it; the view scrolling to a selected or
    // current row does not.
    connect(scroll, &QScrollBar::actionTriggered, this, [this, scroll] {
        QMetaObject::invokeMethod(this, [this, scroll] {
            if (scroll->value() < scroll->maximum())
                setFollowing(false);
        }, Qt::QueuedConnection);
    });
    connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
        if (m_follow->isChecked())
            scroll->setValue(maximum);
    });
    connect(m_follow, &QCheckBox::toggled, this, [scroll](bool on) {
        if (on)
            scroll->setValue(scroll->maximum());
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
    auto *owner = new MenuActionOwner(action, window);
    QObject::connect(action, &QAction::triggered, owner, [owner] {
        TrafficWindow *w = owner->traffic();
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
    showCounts();
    // At the row bound the range stays as it was while the rows move on.
    if (m_follow->isChecked())
        m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
}

void TrafficWindow::setFollowing(bool on)
{
    m_follow->setChecked(on);
}

bool TrafficWindow::isFollowing() const
{
    return m_follow->isChecked();
}

void TrafficWindow::showCounts()
{
    const TrafficModel::Counts &c = m_model->counts();
    m_counts->setText(tr("发送 %1 · 接收 %2 · 失败 %3").arg(c.sent).arg(c.received).arg(c.failed));
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
    m_proxy->setNeedle(text);
    if (m_view->model() != m_proxy) {
        m_proxy->setSourceModel(m_model);
        m_view->setModel(m_proxy);
        applyColumnWidths();
    }
}

QSortFilterProxyModel *TrafficWindow::proxy() const
{
    return m_proxy;
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
    m_view->setColumnWidth(TrafficModel::EndpointColumn, digit * 22);
    m_view->setColumnWidth(TrafficModel::ResponseColumn,
                           std::max(digit * 7, metrics.horizontalAdvance(tr("响应(ms)")) + 16));
    m_view->setColumnWidth(TrafficModel::HexColumn, digit * 48);
    // "← received" is wider than "← 接收"; the column follows the language.
    int direction = metrics.horizontalAdvance(tr("方向"));
    for (const TrafficDirection d : {TrafficDirection::Sent, TrafficDirection::Received, TrafficDirection::Dropped,
                                     TrafficDirection::Event})
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
    showCounts();
}

void TrafficWindow::slotSave()
{
    const QString caption = tr("保存通讯记录");
    const QString fileName
        = askTextFileName(this, caption, tr("文本文件 (*.txt);;所有文件 (*)"), m_fileNameProvider);
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
    m_follow->setText(tr("跟随最新"));
    m_clear->setText(tr("清除"));
    m_copy->setText(tr("复制"));
    m_save->setText(tr("保存"));
    m_filterLabel->setText(tr("筛选:"));
    m_filter->setPlaceholderText(tr("按文字筛选"));
    m_model->retranslate();
    showCounts();
    applyColumnWidths();
}
