#pragma once

#include <QString>

class QWidget;

// Modal boxes shared by several dialogs: a fixed-size box titled with the
// parent's window title (or "错误"/"信息" without a parent) and one "确定".
void showErrorBox(const QString &text, QWidget *parent);
void showInfoBox(const QString &text, QWidget *parent);

// Makes the dialogs and boxes that `window` and its dialogs open (exec()
// without a modality of their own) block that window only, not the whole
// program: the traffic log stays usable beside them.
void keepDialogsWindowModal(QWidget *window);
