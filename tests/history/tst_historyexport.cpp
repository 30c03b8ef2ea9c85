#include "history/historyexport.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/workdir.h"

#include <QBuffer>
#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QTextCodec>
#include <QtTest>

namespace {

// Records what the table drawing paints, page by page.
class RecordingEngine : public QPaintEngine
{
public:
    struct Text {
        int page;
        QPointF at;
        QString text;
    };
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    Type type() const override { return QPaintEngine::User; }
    void drawTextItem(const QPointF &p, const QTextItem &item) override { texts.append({page, p, item.text()}); }
    void drawLines(const QLineF *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            this->lines.append(qMakePair(page, lines[i]));
    }
    void drawLines(const QLine *lines, int count) override
    {
        for (int i = 0; i < count; ++i)
            this->lines.append(qMakePair(page, QLineF(lines[i])));
    }

    int page = 0;
    QList<Text> texts;
    QList<QPair<int, QLineF>> lines;
};

class RecordingDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return &engine; }
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return 9917; // A4 at 1200 dpi
        case PdmHeight:
            return 14033;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 1200;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1 * QPaintDevice::devicePixelRatioFScale();
        default:
            return 0;
        }
    }
    mutable RecordingEngine engine;
};

QString records(int count)
{
    QString text = QStringLiteral("时间,温度,湿度\n");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("2024-03-05 %1:%2:00, 21.5, 60\n")
                    .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'));
    return text;
}

int pagesInPdf(const QByteArray &pdf)
{
    int pages = 0;
    for (int at = pdf.indexOf("/Type /Page"); at >= 0; at = pdf.indexOf("/Type /Page", at + 1)) {
        if (pdf.mid(at + 11, 1) != "s")
            ++pages;
    }
    return pages;
}

} // namespace

class tst_HistoryExport : public QObject
{
    Q_OBJECT

private slots:
    void fields_data();
    void fields();
    void columnCount_data();
    void columnCount();
    void rowFields_data();
    void rowFields();
    void csvEqualsText_data();
    void csvEqualsText();
    void csvOpenFailure();
    void pdfTable();
    void pdfPageCount_data();
    void pdfPageCount();
    void pdfPageNumbers_data();
    void pdfPageNumbers();
    void pdfFormatErrorLeavesNoFile_data();
    void pdfFormatErrorLeavesNoFile();
    void failedWriteKeepsOlderFile_data();
    void failedWriteKeepsOlderFile();
    void spooledLinesExportAsText_data();
    void spooledLinesExportAsText();
};

void tst_HistoryExport::fields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("record") << "2024-03-05 10:00:00, 21.5 ,60" << QStringList{"2024-03-05", "10:00:00", "21.5", "60"};
    QTest::newRow("crlf") << "a,b\r\n" << QStringList{"a", "b"};
    QTest::newRow("tabs and doubled commas") << "\ta,,\t b ,\n" << QStringList{"a", "b"};
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("blanks only") << "  , ,\r\n" << QStringList();
    QTest::newRow("chinese header") << QStringLiteral("时间,温度(℃),湿度(%)")
                                    << QStringList{QStringLiteral("时间"), QStringLiteral("温度(℃)"),
                                                   QStringLiteral("湿度(%)")};
}

void tst_HistoryExport::fields()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    QCOMPARE(splitHistoryFields(line), fields);
}

void tst_HistoryExport::columnCount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");
    QTest::newRow("header of three") << records(3) << 3;
    QTest::newRow("no header") << "2024-03-05 10:00:00, 21.5, 60\n" << 4;
    QTest::newRow("leading title and blank lines") << "Report\n\n2024-03-05 10:00:00,1\n" << 3;
    QTest::newRow("single words") << "alpha\nbeta\ngamma\n" << 0;
    QTest::newRow("single words without lf") << "alpha\nbeta" << 1;
    QTest::newRow("empty") << "" << 0;
}

void tst_HistoryExport::columnCount()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QCOMPARE(historyColumnCount(text), columns);
}

void tst_HistoryExport::rowFields_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("cells");
    const QString record = QStringLiteral("2024-03-05 10:00:00, 21.5 ,60");
    QTest::newRow("date and time joined")
        << record << 3 << QStringList{"2024-03-05 10:00:00", "21.5", "60"};
    QTest::newRow("as many fields as columns") << record << 4 << QStringList{"2024-03-05", "10:00:00", "21.5", "60"};
    QTest::newRow("joined then cut") << record << 2 << QStringList{"2024-03-05 10:00:00", "21.5"};
    QTest::newRow("header shorter") << "a,b" << 3 << QStringList{"a", "b"};
    QTest::newRow("three fields, two columns: joined") << "a b c" << 2 << QStringList{"a b", "c"};
    QTest::newRow("empty line") << "\n" << 3 << QStringList();
}

void tst_HistoryExport::rowFields()
{
    QFETCH(QString, line);
    QFETCH(int, columns);
    QFETCH(QStringList, cells);
    QCOMPARE(historyRowFields(line, columns), cells);
}

void tst_HistoryExport::csvEqualsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("records") << records(5);
    QTest::newRow("empty") << QString();
    QTest::newRow("no final lf") << QStringLiteral("时间,温度\n2024-03-05 10:00:00, 1");
}

void tst_HistoryExport::csvEqualsText()
{
    QFETCH(QString, text);
    TempWorkDir dir;
    const QString name = dir.filePath("out.csv");
    // An older, longer file is replaced, not overwritten in part.
    dir.writeFile("out.csv", QByteArray(5000, 'x'));
    QCOMPARE(exportHistoryCsv(name, text), QString());
    QCOMPARE(dir.readFile("out.csv"), QTextCodec::codecForLocale()->fromUnicode(text));
}

void tst_HistoryExport::csvOpenFailure()
{
    TempWorkDir dir;
    const QString name = dir.filePath("missing/dir/out.csv");
    QCOMPARE(exportHistoryCsv(name, records(1)), QStringLiteral("打开文件失败: %1").arg(name));
    QCOMPARE(exportHistoryPdf(name, records(1)), QStringLiteral("打开文件失败: %1").arg(name));
}

void tst_HistoryExport::pdfTable()
{
    const QString text = records(2);
    RecordingDevice device;
    QPainter painter(&device);
    const HistoryPdfLayout l = historyPdfLayout(painter, device.width(), device.height(),
                                                historyColumnCount(text), historyLineCount(text));
    QCOMPARE(l.columns, 3);
    QCOMPARE(l.left, 9917 / 16);
    QCOMPARE(l.right, 9917 - 9917 / 16 - 1);
    QCOMPARE(l.top, 100);
    QCOMPARE(l.bottom, 14033 - 101);
    QCOMPARE(l.rowHeight, painter.fontMetrics().height() + 50);
    const int advance = painter.fontMetrics().horizontalAdvance(QStringLiteral("1900-01-01 00:00:00"));
    QCOMPARE(l.firstWidth, advance + advance / 4);
    QCOMPARE(l.otherWidth, (l.right - l.left + 1 - l.firstWidth) / 2);
    QCOMPARE(l.rowsPerPage, (l.bottom - l.top + 1) / l.rowHeight);
    QCOMPARE(l.lineCount, 4); // header, two records, the empty line after the last lf
    QCOMPARE(l.pageCount, 1);

    int pages = 1;
    drawHistoryTable(painter, l, text, [&] { ++pages; ++device.engine.page; });
    painter.end();
    QCOMPARE(pages, 1);

    const RecordingEngine &e = device.engine;
    // A full grid: rows + 1 horizontal lines, columns + 1 vertical ones.
    int horizontal = 0;
    QList<qreal> verticalX;
    for (const auto &pl : e.lines) {
        if (pl.second.y1() == pl.second.y2())
            ++horizontal;
        else
            verticalX << pl.second.x1();
    }
    QCOMPARE(horizontal, l.rowsPerPage + 1);
    QCOMPARE(verticalX, (QList<qreal>{qreal(l.left), qreal(l.left + l.firstWidth),
                                      qreal(l.left + l.firstWidth + l.otherWidth),
                                      qreal(l.left + l.firstWidth + 2 * l.otherWidth)}));

    QStringList drawn;
    for (const auto &t : e.texts)
        drawn << t.text;
    QCOMPARE(drawn, (QStringList{QStringLiteral("时间"), QStringLiteral("温度"), QStringLiteral("湿度"),
                                 "2024-03-05 00:00:00", "21.5", "60", "2024-03-05 00:01:00", "21.5", "60"}));
    // Centred in its cell, on the row's baseline.
    const auto &joined = e.texts.at(3);
    const int w = QFontMetrics(painter.font(), &device).horizontalAdvance(joined.text);
    QCOMPARE(qRound(joined.at.x()), l.left + (l.firstWidth - w) / 2);
    QCOMPARE(qRound(joined.at.y()), l.top + l.rowHeight + l.fontHeight);
}

void tst_HistoryExport::pdfPageCount_data()
{
    QTest::addColumn<int>("pagesOfRows"); // text lines as a multiple of rows per page, plus extra
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("pages");
    QTest::newRow("one line over one page") << 1 << 1 << 2;
    QTest::newRow("exactly two pages") << 2 << 0 << 2;
    QTest::newRow("one line short of three") << 3 << -1 << 3;
}

void tst_HistoryExport::pdfPageCount()
{
    QFETCH(int, pagesOfRows);
    QFETCH(int, extra);
    QFETCH(int, pages);
    TempWorkDir dir;
    const QString name = dir.filePath("probe.pdf");
    HistoryPdfLayout probe;
    QCOMPARE(exportHistoryPdf(name, records(1), &probe), QString());
    QCOMPARE(pagesInPdf(dir.readFile("probe.pdf")), 1);

    // records(n) has n + 2 lines (header and the empty one after the last lf).
    const int lines = pagesOfRows * probe.rowsPerPage + extra;
    HistoryPdfLayout l;
    QCOMPARE(exportHistoryPdf(dir.filePath("out.pdf"), records(lines - 2), &l), QString());
    QCOMPARE(l.lineCount, lines);
    QCOMPARE(l.pageCount, pages);
    const QByteArray pdf = dir.readFile("out.pdf");
    QVERIFY(pdf.startsWith("%PDF-"));
    QCOMPARE(pagesInPdf(pdf), pages);
}

void tst_HistoryExport::pdfPageNumbers_data()
{
    QTest::addColumn<int>("bottomMargin");
    QTest::addColumn<bool>("fits");
    QTest::newRow("paper below the grid") << 167 << true;
    QTest::newRow("no room below the grid") << -1 << false;
}

void tst_HistoryExport::pdfPageNumbers()
{
    QFETCH(int, bottomMargin);
    QFETCH(bool, fits);
    // Where the number goes, the table keeps every row, column and line.
    RecordingDevice device;
    QPainter painter(&device);
    const HistoryPdfLayout plain = historyPdfLayout(painter, device.width(), device.height(), 3, 1000);
    const int gridBottom = plain.top + plain.rowsPerPage * plain.rowHeight;
    const int pageHeight = bottomMargin < 0 ? gridBottom + plain.fontHeight : device.height();
    const HistoryPdfLayout l =
        historyPdfLayout(painter, device.width(), pageHeight, 3, 1000, std::max(0, bottomMargin));
    QCOMPARE(l.pageNumbers, fits);
    if (bottomMargin >= 0) {
        QCOMPARE(l.rowsPerPage, plain.rowsPerPage);
        QCOMPARE(l.bottom, plain.bottom);
    }
    if (fits) {
        const QFontMetrics fm = painter.fontMetrics();
        QVERIFY(l.pageNumberBaseline - fm.ascent() > gridBottom);
        QVERIFY(l.pageNumberBaseline + fm.descent() < pageHeight + bottomMargin);
    }
    painter.end();

    // What a reader of the file finds on each page.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (!fits || pdftotext.isEmpty())
        return;
    TempWorkDir dir;
    HistoryPdfLayout written;
    QCOMPARE(exportHistoryPdf(dir.filePath("out.pdf"), records(150), &written), QString());
    QVERIFY(written.pageNumbers);
    QVERIFY(written.pageCount >= 2);
    int recordRows = 0;
    for (int page = 1; page <= written.pageCount; ++page) {
        QProcess p;
        p.start(pdftotext, {"-f", QString::number(page), "-l", QString::number(page), dir.filePath("out.pdf"), "-"});
        QVERIFY(p.waitForFinished(30000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        // Whether the blanks between CJK glyphs come out depends on the font.
        QString squeezed = text;
        squeezed.remove(QRegularExpression(QStringLiteral("\\s")));
        const QString number = QStringLiteral("第%1页/共%2页").arg(page).arg(written.pageCount);
        QVERIFY2(squeezed.contains(number), qPrintable(number));
        const int onPage = text.count(QStringLiteral("2024-03-05 "));
        QVERIFY(onPage <= written.rowsPerPage);
        recordRows += onPage;
    }
    // The rows are all still there, one record each.
    QCOMPARE(recordRows, 150);
}

void tst_HistoryExport::pdfFormatErrorLeavesNoFile_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("single words") << "alpha\nbeta\ngamma\n";
    QTest::newRow("empty") << "";
}

void tst_HistoryExport::pdfFormatErrorLeavesNoFile()
{
    QFETCH(QString, text);
    TempWorkDir dir;
    QCOMPARE(exportHistoryPdf(dir.filePath("out.pdf"), text), QStringLiteral("导出数据失败，数据格式错误"));
    QVERIFY(!QFile::exists(dir.filePath("out.pdf")));
    // An existing file of that name is left as it was.
    dir.writeFile("old.pdf", "keep");
    QCOMPARE(exportHistoryPdf(dir.filePath("old.pdf"), text), QStringLiteral("导出数据失败，数据格式错误"));
    QCOMPARE(dir.readFile("old.pdf"), QByteArray("keep"));
}

void tst_HistoryExport::failedWriteKeepsOlderFile_data()
{
    QTest::addColumn<bool>("pdf");
    QTest::newRow("csv") << false;
    QTest::newRow("pdf") << true;
}

void tst_HistoryExport::failedWriteKeepsOlderFile()
{
    QFETCH(bool, pdf);
    TempWorkDir dir;
    const QString name = dir.filePath(pdf ? "out.pdf" : "out.csv");
    dir.writeFile(pdf ? "out.pdf" : "out.csv", "older export");
    QString error;
    {
        // The file opens; writing it fails part-way, as on a full disk.
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        error = pdf ? exportHistoryPdf(name, records(3000)) : exportHistoryCsv(name, records(3000));
    }
    QVERIFY2(!error.isEmpty() && !error.contains(QStringLiteral("打开文件失败")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("文件超过系统允许的大小")), qPrintable(error));
    QCOMPARE(dir.readFile(pdf ? "out.pdf" : "out.csv"), QByteArray("older export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

void tst_HistoryExport::spooledLinesExportAsText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("records") << records(40);
    QTest::newRow("no final lf") << QStringLiteral("时间,温度\n2024-03-05 10:00:00, 1");
    QTest::newRow("empty") << QString();
}

void tst_HistoryExport::spooledLinesExportAsText()
{
    // Read line by line from a device, the exports give what the whole text gives.
    QFETCH(QString, text);
    TempWorkDir dir;
    QBuffer spool;
    spool.setData(text.toUtf8());
    QVERIFY(spool.open(QIODevice::ReadOnly));
    HistoryDeviceLines lines(&spool);
    QCOMPARE(exportHistoryCsv(dir.filePath("a.csv"), lines), QString());
    QCOMPARE(exportHistoryCsv(dir.filePath("b.csv"), text), QString());
    QCOMPARE(dir.readFile("a.csv"), dir.readFile("b.csv"));
    HistoryPdfLayout fromDevice, fromText;
    const QString e1 = exportHistoryPdf(dir.filePath("a.pdf"), lines, &fromDevice);
    const QString e2 = exportHistoryPdf(dir.filePath("b.pdf"), text, &fromText);
    QCOMPARE(e1, e2);
    QCOMPARE(fromDevice.lineCount, fromText.lineCount);
    QCOMPARE(fromDevice.columns, fromText.columns);
    if (e1.isEmpty())
        QCOMPARE(pagesInPdf(dir.readFile("a.pdf")), pagesInPdf(dir.readFile("b.pdf")));
}

QTEST_MAIN(tst_HistoryExport)
#include "tst_historyexport.moc"
