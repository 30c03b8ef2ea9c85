#pragma once

#include <QFileDialog>
#include <QString>

#include <functional>

class QWidget;

// Modal boxes shared by several dialogs: a fixed-size box titled with the
// parent's window title (or "错误"/"信息" without a parent) and one "确定".
void showErrorBox(const QString &text, QWidget *parent);
void showInfoBox(const QString &text, QWidget *parent);

// Makes the dialogs and boxes that `window` and its dialogs open (exec()
// without a modality of their own) block that window only, not the whole
// program: the traffic log stays usable beside them.
void keepDialogsWindowModal(QWidget *window);

// Asks for the name of a text file to write: from `provider` when one is
// set (tests), else with the file dialog showing `filter`. ".txt" is added
// to a name without a suffix; empty when cancelled.
using FileNameProvider = std::function<QString(const QString &caption)>;
QString askTextFileName(QWidget *parent, const QString &caption, const QString &filter,
                        const FileNameProvider &provider, QFileDialog::Options options = {});
