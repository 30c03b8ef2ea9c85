#include "items/modifydialog.h"

#include "items/itemrules.h"
#include "items/itemwrite.h"
#include "ui_modifydialog.h"

#include <QComboBox>
#include <QLabel>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

ModifyDialog::ModifyDialog(const QString &name, const QString &value, QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::ModifyDialog)
{
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowIcon(QIcon(QStringLiteral(":/image/configure.png")));
    connect(m_ui->commit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancel, &QPushButton::clicked, this, &QDialog::reject);
    setupEditor(name, value);
}

ModifyDialog::~ModifyDialog()
{
    delete m_ui;
}

QString ModifyDialog::value() const
{
    if (m_lineEdit)
        return m_lineEdit->text();
    return m_comboBox ? m_comboBox->currentText() : QString();
}

void ModifyDialog::setupEditor(const QString &name, const QString &value)
{
    const ItemChoices choices = parseItemChoices(name);
    setWindowTitle(choices.title);
    QWidget *editor = nullptr;
    if (choices.isChoice) {
        m_comboBox = new QComboBox(this);
        m_comboBox->addItems(choices.entries);
        const QString selection = selectChoice(choices.entries, value);
        if (!selection.isEmpty())
            m_comboBox->setCurrentText(selection);
        editor = m_comboBox;
    } else {
        m_lineEdit = new QLineEdit(value, this);
        editor = m_lineEdit;
        // A character the instrument's text cannot hold would be stored as '?'.
        m_problem = new QLabel(this);
        m_problem->setObjectName(QStringLiteral("lblValueProblem"));
        m_problem->setWordWrap(true);
        m_ui->verticalLayout->insertWidget(1, m_problem);
        connect(m_lineEdit, &QLineEdit::textChanged, this, &ModifyDialog::checkValue);
        checkValue();
    }
    QFont f = editor->font();
    f.setPointSize(14);
    editor->setFont(f);
    editor->setFocus();
    editor->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_ui->layouEditor->addWidget(editor);
}

QString ModifyDialog::valueProblem() const
{
    return m_lineEdit ? itemValueCharProblem(m_lineEdit->text().trimmed()) : QString();
}

void ModifyDialog::checkValue()
{
    const QString problem = valueProblem();
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
    m_ui->commit->setEnabled(problem.isEmpty());
}

bool confirmCommandItem(const QString &name, const QIcon &icon, QWidget *parent)
{
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QCoreApplication::translate("ModifyDialog", "执行命令"));
    box.setWindowIcon(icon);
    box.setText(QCoreApplication::translate("ModifyDialog", "执行命令“%1”?").arg(name) + QStringLiteral("\n\n")
                + QCoreApplication::translate("ModifyDialog", "设备收到后会立即执行此命令。"));
    QPushButton *run = box.addButton(QCoreApplication::translate("ModifyDialog", "执行"), QMessageBox::AcceptRole);
    // A stray Enter must not send it.
    box.setDefaultButton(box.addButton(QCoreApplication::translate("ModifyDialog", "取消"), QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == run;
}
