#include "about/neutralaboutdialog.h"

#include "settings/config.h"
#include "tests/support/modalcloser.h"
#include "tests/support/workdir.h"
#include "tests/support/windowcheck.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>
#include <QtTest>

namespace {

// Answers every text of one context, so a text looked up in the wrong
// context (or not through the translator at all) stays untranslated.
class ContextTranslator : public QTranslator
{
public:
    ContextTranslator(const char *context, QHash<QString, QString> texts)
        : m_context(context), m_texts(std::move(texts)) {}
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, m_context) != 0)
            return {};
        return m_texts.value(QString::fromUtf8(sourceText));
    }

private:
    const char *m_context;
    QHash<QString, QString> m_texts;
};

QLabel *versionLabel(QWidget *dialog)
{
    return dialog->findChild<QLabel *>(QStringLiteral("labelVersion"));
}

QPushButton *okButton(QWidget *dialog)
{
    return dialog->findChild<QPushButton *>(QStringLiteral("bntOK"));
}

} // namespace

class tst_NeutralAboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void initTestCase();
    void labelText_data();
    void labelText();
    void readsSettingsAtEachConstruction();
    void form();
    void okAcceptsModalRun();
    void longNameIsNotCut_data();
    void longNameIsNotCut();
    void textsGoThroughTranslator();
    void largeFontIsNotCut();
};

void tst_NeutralAboutDialog::initTestCase()
{
    // The form is drawn for a desktop font of about 9 pt; the offscreen
    // platform defaults to a larger one.
    QFont font = QApplication::font();
    font.setPixelSize(12);
    QApplication::setFont(font);
}

void tst_NeutralAboutDialog::labelText_data()
{
    QTest::addColumn<QVariantMap>("config");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no config") << QVariantMap{} << QStringLiteral("ZRvu V6.5");
    QTest::newRow("en_US, default name") << QVariantMap{{"language/language", "en_US"}}
                                         << QStringLiteral("ZR Zoverezaz V6.5");
    QTest::newRow("en_US, custom name")
        << QVariantMap{{"language/language", "en_US"}, {"appname/us", "Field Tool"}, {"appname/ch", "x"}}
        << QStringLiteral("Field Tool V6.5");
    QTest::newRow("en_us is another language")
        << QVariantMap{{"language/language", "en_us"}, {"appname/us", "US"}, {"appname/ch", "CH"}}
        << QStringLiteral("CH V6.5");
    QTest::newRow("ZH_TW is another language")
        << QVariantMap{{"language/language", "ZH_TW"}, {"appname/tw", "TW"}, {"appname/ch", "CH"}}
        << QStringLiteral("CH V6.5");
    QTest::newRow("zh_TW, default name") << QVariantMap{{"language/language", "zh_TW"}, {"appname/ch", "CH"}}
                                         << QStringLiteral("ZRvu V6.5");
    QTest::newRow("zh_TW, custom name")
        << QVariantMap{{"language/language", "zh_TW"}, {"appname/tw", QStringLiteral("儀表助手")}}
        << QStringLiteral("儀表助手 V6.5");
    QTest::newRow("zh_CH ignores the other names")
        << QVariantMap{{"language/language", "zh_CH"}, {"appname/us", "US"}, {"appname/tw", "TW"}}
        << QStringLiteral("ZRvu V6.5");
    QTest::newRow("custom ch keeps the version")
        << QVariantMap{{"appname/ch", QStringLiteral("仪表助手")}} << QStringLiteral("仪表助手 V6.5");
    QTest::newRow("ver false: no trailing blank") << QVariantMap{{"appname/ver", false}} << QStringLiteral("ZRvu");
    QTest::newRow("ver 0") << QVariantMap{{"appname/ver", 0}, {"appname/ch", "CH"}} << QStringLiteral("CH");
    QTest::newRow("ver true") << QVariantMap{{"appname/ver", true}} << QStringLiteral("ZRvu V6.5");
    QTest::newRow("ver false with en_US")
        << QVariantMap{{"language/language", "en_US"}, {"appname/ver", "false"}}
        << QStringLiteral("ZR Zoverezaz");
    QTest::newRow("empty custom name") << QVariantMap{{"appname/ch", ""}} << QStringLiteral(" V6.5");
}

void tst_NeutralAboutDialog::labelText()
{
    QFETCH(QVariantMap, config);
    QFETCH(QString, expected);
    TempWorkDir dir;
    QVERIFY(dir.isValid());
    if (!config.isEmpty())
        dir.writeConfig(config);

    NeutralAboutDialog dialog(nullptr);
    QLabel *label = versionLabel(&dialog);
    QVERIFY(label);
    QCOMPARE(label->text(), expected);
}

void tst_NeutralAboutDialog::readsSettingsAtEachConstruction()
{
    TempWorkDir dir;
    dir.writeConfig({{"appname/ch", "First"}});
    {
        NeutralAboutDialog dialog(nullptr);
        QCOMPARE(versionLabel(&dialog)->text(), QStringLiteral("First V6.5"));
    }
    // The running program changes the language through the shared store.
    configSettings()->setValue(QStringLiteral("language/language"), QStringLiteral("en_US"));
    NeutralAboutDialog dialog(nullptr);
    QCOMPARE(versionLabel(&dialog)->text(), QStringLiteral("ZR Zoverezaz V6.5"));
}

void tst_NeutralAboutDialog::form()
{
    TempWorkDir dir;
    QWidget parent;
    NeutralAboutDialog dialog(&parent);
    QCOMPARE(dialog.parentWidget(), &parent);
    QCOMPARE(dialog.objectName(), QStringLiteral("NeutralAboutDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("关于"));
    QVERIFY(!dialog.windowIcon().isNull());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    // The default name fits the form as drawn: it keeps its size and cannot be resized.
    QCOMPARE(dialog.size(), QSize(245, 112));
    QCOMPARE(dialog.minimumSize(), QSize(245, 112));
    QCOMPARE(dialog.maximumSize(), QSize(245, 112));
    QCOMPARE(versionLabel(&dialog)->geometry(), QRect(20, 20, 201, 21));
    QPushButton *ok = okButton(&dialog);
    QVERIFY(ok);
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QCOMPARE(ok->geometry(), QRect(150, 70, 75, 23));
}

void tst_NeutralAboutDialog::okAcceptsModalRun()
{
    TempWorkDir dir;
    QWidget parent;
    NeutralAboutDialog dialog(&parent);
    ModalCloser closer;
    QStringList labels;
    closer.setDialogHandler([&labels](QWidget *w) {
        if (QLabel *label = versionLabel(w))
            labels << label->text();
        if (QPushButton *ok = okButton(w))
            ok->click();
    });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(labels, QStringList{QStringLiteral("ZRvu V6.5")});
}

void tst_NeutralAboutDialog::longNameIsNotCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("latin") << QStringLiteral("ZR Series Field Instrument Configuration Assistant");
    QTest::newRow("chinese") << QStringLiteral("现场仪表配置助手专业版现场仪表配置助手");
}

void tst_NeutralAboutDialog::longNameIsNotCut()
{
    QFETCH(QString, name);
    TempWorkDir dir;
    dir.writeConfig({{"appname/ch", name}});
    NeutralAboutDialog dialog(nullptr);
    QLabel *label = versionLabel(&dialog);
    QPushButton *ok = okButton(&dialog);
    QCOMPARE(label->text(), name + QStringLiteral(" V6.5"));

    QVERIFY(label->width() >= label->sizeHint().width());
    QVERIFY(dialog.rect().contains(label->geometry()));
    QVERIFY(dialog.rect().contains(ok->geometry()));
    QVERIFY(!label->geometry().intersects(ok->geometry()));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(dialog.width() > 245);
}

void tst_NeutralAboutDialog::textsGoThroughTranslator()
{
    TempWorkDir dir;
    dir.writeConfig({{"language/language", "en_US"}});
    ContextTranslator translator("NeutralAboutDialog", {{QStringLiteral("关于"), QStringLiteral("About")},
                                                        {QStringLiteral("确定"), QStringLiteral("OK")}});
    QVERIFY(qApp->installTranslator(&translator));
    NeutralAboutDialog dialog(nullptr);
    qApp->removeTranslator(&translator);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
    QCOMPARE(okButton(&dialog)->text(), QStringLiteral("OK"));
    // The name comes from the settings, never from the translator.
    QCOMPARE(versionLabel(&dialog)->text(), QStringLiteral("ZR Zoverezaz V6.5"));
}

void tst_NeutralAboutDialog::largeFontIsNotCut()
{
    TempWorkDir dir;
    const QFont previous = QApplication::font();
    QFont font = previous;
    font.setPixelSize(26);
    QApplication::setFont(font);
    NeutralAboutDialog dialog(nullptr);
    QApplication::setFont(previous);

    QLabel *label = versionLabel(&dialog);
    QPushButton *ok = okButton(&dialog);
    const QFontMetrics labelMetrics(label->font());
    const QFontMetrics buttonMetrics(ok->font());
    QVERIFY(label->width() >= labelMetrics.horizontalAdvance(label->text()));
    QVERIFY(label->height() >= labelMetrics.height());
    QVERIFY(ok->width() > buttonMetrics.horizontalAdvance(ok->text()));
    QVERIFY(ok->height() > buttonMetrics.height());
    QVERIFY(dialog.rect().contains(label->geometry()));
    QVERIFY(dialog.rect().contains(ok->geometry()));
    QVERIFY(!label->geometry().intersects(ok->geometry()));
}

void tst_NeutralAboutDialog::cleanup()
{
    ZR_VERIFY_NO_WINDOWS_LEFT();
}

QTEST_MAIN(tst_NeutralAboutDialog)
#include "tst_neutralaboutdialog.moc"
