#include "link/messageboxes.h"

#include "settings/fileio.h"

#include <QCoreApplication>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {

void showBox(QMessageBox::Icon icon, const QString &fallbackTitle, const QString &text, QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(icon);
    box.setWindowTitle(parent ? parent->windowTitle() : fallbackTitle);
    box.setText(text);
    QPushButton *ok = box.addButton(QCoreApplication::translate("MessageBox", "确定"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.layout()->setSizeConstraint(QLayout::SetFixedSize);
    box.exec();
}

} // namespace

void showErrorBox(const QString &text, QWidget *parent)
{
    showBox(QMessageBox::Critical, QCoreApplication::translate("MessageBox", "错误"), text, parent);
}

void showInfoBox(const QString &text, QWidget *parent)
{
    showBox(QMessageBox::Information, QCoreApplication::translate("MessageBox", "信息"), text, parent);
}

void keepDialogsWindowModal(QWidget *window)
{
    // A dialog shown modally below a group leader defaults to window
    // modality; one attribute covers every box, file dialog and dialog
    // without touching each call.
    window->setAttribute(Qt::WA_GroupLeader);
}

QString askTextFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const FileNameProvider &provider, QFileDialog::Options options)
{
    return withDefaultSuffix(provider ? provider(caption)
                                      : QFileDialog::getSaveFileName(parent, caption, QString(), filter, nullptr, options),
                             QStringLiteral("txt"));
}
