#pragma once

#include <QList>
#include <QString>

#include <functional>

class MainWindow;
class QDialog;
class QWidget;

// Every dialog the main window can open, built the way its slot builds it
// (parent = the main window), so tests and the screenshot tool look at the
// same forms the user gets.
struct DialogCase {
    QString name;
    std::function<QDialog *(MainWindow *)> make;
};

QList<DialogCase> dialogCases();
DialogCase dialogCase(const QString &name);

// Texts that are cut off: a label, button, check box, radio button or
// group-box title whose text needs more room than the widget was given.
// Each entry names the widget and the text.
QStringList clippedTexts(QWidget *root);
