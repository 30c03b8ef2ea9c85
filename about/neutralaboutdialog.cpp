#include "about/neutralaboutdialog.h"
#include "ui_neutralaboutdialog.h"

#include "settings/settingkeys.h"

#include <QFontMetrics>
#include <QPushButton>

NeutralAboutDialog::NeutralAboutDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(new Ui::NeutralAboutDialog)
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    const QString language = SettingKeys::language.read();
    m_ui->labelVersion->setText(applicationTitle(language));

    // appname/* may hold any name, and translated or CJK fonts run wider
    // than the form was drawn for: grow the label, and the dialog with it,
    // rather than cut the name off. The form's size stays the minimum.
    const int margin = m_ui->labelVersion->x();
    const int labelWidth = qMax(m_ui->labelVersion->width(), m_ui->labelVersion->sizeHint().width());
    const int labelHeight = qMax(m_ui->labelVersion->height(), m_ui->labelVersion->sizeHint().height());
    m_ui->labelVersion->resize(labelWidth, labelHeight);
    // The button keeps its drawn size while its (translated) text fits.
    const QFontMetrics buttonMetrics = m_ui->bntOK->fontMetrics();
    const QSize buttonSize = m_ui->bntOK->size().expandedTo(
        QSize(buttonMetrics.horizontalAdvance(m_ui->bntOK->text()) + 16, buttonMetrics.height() + 6));
    const int width = qMax(this->width(), labelWidth + 2 * margin);
    const int rightGap = this->width() - m_ui->bntOK->geometry().right() - 1;
    const int bottomGap = this->height() - m_ui->bntOK->geometry().bottom() - 1;
    const int buttonTop = qMax(m_ui->bntOK->y(), m_ui->labelVersion->geometry().bottom() + 1 + margin);
    m_ui->bntOK->setGeometry(width - rightGap - buttonSize.width(), buttonTop, buttonSize.width(), buttonSize.height());
    setFixedSize(width, qMax(this->height(), buttonTop + buttonSize.height() + bottomGap));

    connect(m_ui->bntOK, &QPushButton::clicked, this, &QDialog::accept);
}

NeutralAboutDialog::~NeutralAboutDialog()
{
    delete m_ui;
}
