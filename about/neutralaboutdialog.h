#pragma once

#include <QDialog>

namespace Ui {
class NeutralAboutDialog;
}

// The application name, with the version unless config.ini turns it off,
// and an OK button. Reads the settings each time it is constructed.
// Programs that show it link zr_resources for its window icon.
class NeutralAboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NeutralAboutDialog(QWidget *parent);
    ~NeutralAboutDialog() override;

private:
    Ui::NeutralAboutDialog *m_ui = nullptr;
};
