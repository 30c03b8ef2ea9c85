#pragma once

#include <QDialog>

namespace Ui {
class SetupDialog;
}

// Chooses how the next link connection reaches the instrument. Reads
// config.ini when built and writes it on OK; opens no port itself.
class SetupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetupDialog(QWidget *parent);
    ~SetupDialog() override;

public slots:
    void loadConfig();
    void saveConfig();
    void searchDialog();

private:
    void alignLabels();
    void fillLists();
    void fillPorts(const QString &storedPort, bool hasStoredPort);
    void showError(const QString &text);

    Ui::SetupDialog *m_ui = nullptr;
};
