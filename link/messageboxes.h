#pragma once

#include <QString>

class QWidget;

// Modal boxes shared by several dialogs: a fixed-size box titled with the
// parent's window title (or "错误"/"信息" without a parent) and one "确定".
void showErrorBox(const QString &text, QWidget *parent);
void showInfoBox(const QString &text, QWidget *parent);
