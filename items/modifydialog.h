#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QIcon;
class QLineEdit;

namespace Ui {
class ModifyDialog;
}

// Edits one item value: a combo box when the name lists its choices
// ("Rate(2400/4800/9600)"), else a line edit.
class ModifyDialog : public QDialog
{
public:
    ModifyDialog(const QString &name, const QString &value, QWidget *parent = nullptr);
    ~ModifyDialog() override;

    QString value() const;
    QLineEdit *lineEdit() const { return m_lineEdit; }
    QComboBox *comboBox() const { return m_comboBox; }
    // Why the typed value cannot be sent (empty when it can); the commit
    // button stays disabled meanwhile.
    QString valueProblem() const;

private:
    void setupEditor(const QString &name, const QString &value);
    void checkValue();

    Ui::ModifyDialog *m_ui = nullptr;
    QLineEdit *m_lineEdit = nullptr;
    QComboBox *m_comboBox = nullptr;
    QLabel *m_problem = nullptr;
};

// A command item (a name without a value) is carried out as soon as the
// instrument receives it: asks before it goes out. True: send it.
bool confirmCommandItem(const QString &name, const QIcon &icon, QWidget *parent);
