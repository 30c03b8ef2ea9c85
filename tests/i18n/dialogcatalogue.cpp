#include "tests/i18n/dialogcatalogue.h"

#include "about/neutralaboutdialog.h"
#include "app/mainwindow.h"
#include "discovery/searchdevicedialog.h"
#include "firmware/updatedialog.h"
#include "history/historydata.h"
#include "items/ddialoginputsn.h"
#include "items/modifydialog.h"
#include "monitor/monitordialog.h"
#include "settings/setupdialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>

QList<DialogCase> dialogCases()
{
    return {
        {QStringLiteral("setup"), [](MainWindow *w) -> QDialog * { return new SetupDialog(w); }},
        // Opened from the setup dialog in the product.
        {QStringLiteral("search"), [](MainWindow *w) -> QDialog * { return new SearchDeviceDialog(w); }},
        {QStringLiteral("update"), [](MainWindow *w) -> QDialog * { return new UpdateDialog(w); }},
        {QStringLiteral("history"), [](MainWindow *w) -> QDialog * { return new HistoryData(w); }},
        {QStringLiteral("monitor"), [](MainWindow *w) -> QDialog * { return new MonitorDialog(w); }},
        {QStringLiteral("about"), [](MainWindow *w) -> QDialog * { return new NeutralAboutDialog(w); }},
        {QStringLiteral("inputsn"), [](MainWindow *w) -> QDialog * { return new DDialogInputSN(w); }},
        {QStringLiteral("modify"),
         [](MainWindow *w) -> QDialog * { return new ModifyDialog(QStringLiteral("采样间隔"), QStringLiteral("60"), w); }},
        {QStringLiteral("modify_choice"), [](MainWindow *w) -> QDialog * {
             return new ModifyDialog(QStringLiteral("波特率(2400/4800/9600/19200)"), QStringLiteral("9600"), w);
         }},
    };
}

DialogCase dialogCase(const QString &name)
{
    for (const DialogCase &c : dialogCases()) {
        if (c.name == name)
            return c;
    }
    return {};
}

namespace {

QString describe(QWidget *w, const QString &text)
{
    return QStringLiteral("%1 %2 \"%3\" (%4x%5, wants %6x%7)")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text)
        .arg(w->width())
        .arg(w->height())
        .arg(w->sizeHint().width())
        .arg(w->sizeHint().height());
}

} // namespace

QStringList clippedTexts(QWidget *root)
{
    QStringList out;
    // A layout pressed below its minimum squeezes every row in it.
    if (root->layout() && (root->width() < root->minimumSizeHint().width()
                           || root->height() < root->minimumSizeHint().height()))
        out << QStringLiteral("layout of %1 squeezed: %2x%3, needs %4x%5")
                   .arg(root->objectName())
                   .arg(root->width())
                   .arg(root->height())
                   .arg(root->minimumSizeHint().width())
                   .arg(root->minimumSizeHint().height());
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *w : widgets) {
        if (!w->isVisibleTo(root))
            continue;
        // Forms placed by hand: nothing may reach past its parent's edge.
        if (QWidget *parent = w->parentWidget(); parent && !w->isWindow()
            && !parent->rect().contains(w->geometry())) {
            out << QStringLiteral("%1 %2 reaches outside %3").arg(QString::fromLatin1(w->metaObject()->className()),
                                                                 w->objectName(), parent->objectName());
            continue;
        }
        if (auto *label = qobject_cast<QLabel *>(w)) {
            if (label->text().isEmpty() || label->wordWrap())
                continue;
            // Labels may be narrower than their hint when they have room to
            // elide nothing: compare against the text itself.
            const int need = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin()
                + 2 * label->frameWidth();
            if (label->contentsRect().width() + 2 * label->frameWidth() < need
                || label->height() < label->fontMetrics().height())
                out << describe(w, label->text());
        } else if (auto *push = qobject_cast<QPushButton *>(w)) {
            if (push->text().isEmpty())
                continue;
            // Not the size hint: the style's minimum button width is no need of the text.
            QStyleOptionButton option;
            option.initFrom(push);
            option.text = push->text();
            const QRect contents = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
            if (contents.width() < push->fontMetrics().horizontalAdvance(push->text())
                || push->height() < push->fontMetrics().height())
                out << describe(w, push->text());
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            if (button->text().isEmpty())
                continue;
            if (button->width() < button->sizeHint().width() || button->height() < button->fontMetrics().height())
                out << describe(w, button->text());
        } else if (auto *box = qobject_cast<QGroupBox *>(w)) {
            if (box->title().isEmpty())
                continue;
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            if (box->isCheckable())
                option.subControls |= QStyle::SC_GroupBoxCheckBox;
            const int need = box->fontMetrics().horizontalAdvance(box->title())
                + (box->isCheckable() ? box->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, box) + 6 : 0);
            if (box->width() < need)
                out << describe(w, box->title());
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            // The widest entry must be readable when chosen.
            int widest = 0;
            for (int i = 0; i < combo->count(); ++i)
                widest = qMax(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
            if (combo->count() > 0 && combo->width() < widest + 2 * combo->fontMetrics().averageCharWidth())
                out << describe(w, combo->currentText());
        }
    }
    return out;
}
