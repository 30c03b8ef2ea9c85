#pragma once

#include <QString>

class QMessageBox;

// Answers a message box as a user accepting it would: clicks the first
// button with the accept or yes role (or, with `buttonText`, the button of
// that text), else the first button, and rejects a box without buttons.
// Shared by the tests' ModalCloser and the benchmarks' BoxAnswerer, which
// may not borrow the tests' helpers.
void answerMessageBox(QMessageBox *box, const QString &buttonText = QString());
