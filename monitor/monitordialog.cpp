#include "monitor/monitordialog.h"

#include "link/messageboxes.h"
#include "settings/fileio.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QVBoxLayout>

namespace {

// The text as the view renders it: the view breaks lines at CR, CR LF and
// LF alike and shows no-break spaces as spaces.
QString asShown(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (QChar &c : text) {
        if (c == QLatin1Char('\r') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
        else if (c == QChar::Nbsp)
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

MonitorDialog::MonitorDialog(QWidget *parent)
    : WorkerDialog(parent)
{
    setupForm();
    // Not stop(): its wait can last two reply timeouts with the window frozen.
    setWorker(&m_thread, [this] { m_thread.requestStop(); }, 200);
    setWindowIcon(QIcon(QStringLiteral(":/image/monitor.png")));
    m_textEdit->setReadOnly(true);
    m_bntStop->setEnabled(false);
    m_rdOriginal->setChecked(true);
    m_ckDebug->setChecked(true);

    connect(m_bntStart, &QPushButton::pressed, this, [this] {
        if (closePending())
            return;
        m_thread.setDebug(m_ckDebug->isChecked());
        m_thread.start();
    });
    connect(m_bntStop, &QPushButton::pressed, &m_thread, &MonitorThread::stop);
    connect(m_bntClear, &QPushButton::pressed, this, &MonitorDialog::slotClearText);
    connect(m_bntSave, &QPushButton::clicked, this, &MonitorDialog::slotSave);
    connect(m_ckLogFile, &QCheckBox::toggled, this, &MonitorDialog::slotLogToFile);
    connect(&m_logFile, &MonitorLogFile::failed, this, &MonitorDialog::slotLogFailed);
    connect(&m_thread, &QThread::started, this, &MonitorDialog::slotThreadStarted);
    connect(&m_thread, &QThread::finished, this, &MonitorDialog::slotThreadFinished);
    connect(&m_thread, &MonitorThread::signalShowError, this, &MonitorDialog::slotShowError);
    connect(&m_thread, &MonitorThread::signalDataRecv, this, &MonitorDialog::slotDataRecv);
    connect(&m_thread, &MonitorThread::signalLinesDropped, this, &MonitorDialog::slotLinesDropped);

    // The range grows after each insertion, once the view has laid the
    // text out; following is done there, not judged before the insertion.
    QScrollBar *bar = m_textEdit->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_follow = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_follow)
            bar->setValue(maximum);
    });
}

MonitorDialog::~MonitorDialog()
{
    m_thread.stop();
}

void MonitorDialog::setupForm()
{
    setObjectName(QStringLiteral("MonitorDialog"));
    resize(743, 534);
    setWindowTitle(tr("设备监听"));

    auto *verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    auto *horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));

    m_rdOriginal = new QRadioButton(tr("原始数据"), this);
    m_rdOriginal->setObjectName(QStringLiteral("rdOriginal"));
    m_rdHex = new QRadioButton(tr("十六进制"), this);
    m_rdHex->setObjectName(QStringLiteral("rdHex"));
    m_rdOriginalHex = new QRadioButton(tr("原始数据 + 十六进制"), this);
    m_rdOriginalHex->setObjectName(QStringLiteral("rdOriginalHex"));
    auto *group = new QButtonGroup(this);
    group->addButton(m_rdOriginal);
    group->addButton(m_rdHex);
    group->addButton(m_rdOriginalHex);
    m_ckDebug = new QCheckBox(tr("调试信息"), this);
    m_ckDebug->setObjectName(QStringLiteral("ckDebug"));
    m_bntStart = new QPushButton(tr("开始监听"), this);
    m_bntStart->setObjectName(QStringLiteral("bntStart"));
    m_bntStop = new QPushButton(tr("停止监听"), this);
    m_bntStop->setObjectName(QStringLiteral("bntStop"));
    m_bntClear = new QPushButton(tr("清除"), this);
    m_bntClear->setObjectName(QStringLiteral("bntClear"));
    m_bntSave = new QPushButton(tr("保存"), this);
    m_bntSave->setObjectName(QStringLiteral("bntSave"));
    m_ckLogFile = new QCheckBox(tr("记录到文件"), this);
    m_ckLogFile->setObjectName(QStringLiteral("ckLogFile"));
    for (QPushButton *b : {m_bntStart, m_bntStop, m_bntClear, m_bntSave})
        b->setAutoDefault(false);

    horizontalLayout->addWidget(m_rdOriginal);
    horizontalLayout->addWidget(m_rdHex);
    horizontalLayout->addWidget(m_rdOriginalHex);
    horizontalLayout->addItem(new QSpacerItem(20, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    horizontalLayout->addWidget(m_ckDebug);
    horizontalLayout->addItem(new QSpacerItem(20, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
    horizontalLayout->addWidget(m_bntStart);
    horizontalLayout->addWidget(m_bntStop);
    horizontalLayout->addWidget(m_bntClear);
    horizontalLayout->addWidget(m_bntSave);
    horizontalLayout->addWidget(m_ckLogFile);
    horizontalLayout->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));
    verticalLayout->addLayout(horizontalLayout);

    m_textEdit = new QPlainTextEdit(this);
    m_textEdit->setObjectName(QStringLiteral("textEdit"));
    // Hex dumps and record columns line up only in a fixed-pitch font.
    m_textEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    verticalLayout->addWidget(m_textEdit);
}

MonitorFormat MonitorDialog::currentFormat() const
{
    if (m_rdHex->isChecked())
        return MonitorFormat::Hex;
    if (m_rdOriginalHex->isChecked())
        return MonitorFormat::OriginalHex;
    return MonitorFormat::Original;
}

void MonitorDialog::slotClearText()
{
    m_textEdit->clear();
}

QString MonitorDialog::viewText() const
{
    return m_textEdit->toPlainText();
}

void MonitorDialog::slotSave()
{
    const QString caption = tr("保存监听数据");
    const QString fileName
        = askTextFileName(this, caption, tr("文本文件 (*.txt);;所有文件 (*)"), m_fileNameProvider);
    if (fileName.isEmpty())
        return;
    m_bntSave->setEnabled(false);
    writeFileInBackground(fileName, viewText().toUtf8(), this, [this](bool ok, const QString &error) {
        m_bntSave->setEnabled(true);
        emit saveFinished(ok, error);
        if (!ok && !m_fileNameProvider)
            slotShowError(tr("保存监听数据"), error);
    });
}

void MonitorDialog::slotLogToFile(bool on)
{
    if (!on) {
        m_logFile.stop();
        return;
    }
    const QString caption = tr("记录到文件");
    const QString fileName = askTextFileName(this, caption, tr("文本文件 (*.txt);;所有文件 (*)"), m_fileNameProvider,
                                             QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty()) {
        const QSignalBlocker blocker(m_ckLogFile);
        m_ckLogFile->setChecked(false);
        return;
    }
    m_logFile.start(fileName);
    m_ckLogFile->setToolTip(QDir::toNativeSeparators(fileName));
}

void MonitorDialog::slotLogFailed(const QString &message)
{
    {
        const QSignalBlocker blocker(m_ckLogFile);
        m_ckLogFile->setChecked(false);
    }
    m_logFile.stop();
    if (!closePending())
        slotShowError(tr("记录到文件"), message);
}

void MonitorDialog::slotThreadStarted()
{
    m_bntStart->setEnabled(false);
    m_bntStop->setEnabled(true);
    m_ckDebug->setEnabled(false);
}

void MonitorDialog::slotThreadFinished()
{
    if (finishPendingClose())
        return;
    m_bntStart->setEnabled(true);
    m_bntStop->setEnabled(false);
    m_ckDebug->setEnabled(true);
}

void MonitorDialog::slotShowError(const QString &title, const QString &error)
{
    showWorkerError(title, error);
}

void MonitorDialog::slotDataRecv(const QByteArray &buffer)
{
    if (buffer.isEmpty())
        return;
    appendText(formatMonitorLine(buffer, currentFormat(), m_clock()));
}

void MonitorDialog::slotLinesDropped(qint64 count)
{
    appendText(QStringLiteral("[%1]\n").arg(MonitorThread::droppedText(count)));
}

void MonitorDialog::appendText(const QString &text)
{
    // Not through the view's own cursor: that would scroll to it even while
    // the user reads further up.
    QTextCursor cursor(m_textEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (m_logFile.isActive())
        m_logFile.append(asShown(text));
    QScrollBar *bar = m_textEdit->verticalScrollBar();
    if (m_follow && bar->value() != bar->maximum())
        bar->setValue(bar->maximum());
}

void MonitorDialog::showClosePending()
{
    m_bntStart->setEnabled(false);
    m_bntStop->setEnabled(false);
    setWindowTitle(tr("设备监听") + tr(" - 正在停止监听..."));
}
