#pragma once

#include "settings/linksettings.h"

#include <QDialog>
#include <QVector>

#include <memory>

namespace Ui {
class SetupDialog;
}
class QComboBox;
class QLabel;
class QPushButton;

// Chooses how the next link connection reaches the instrument. Reads
// config.ini when built and writes it on OK; opens no port itself.
class SetupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SetupDialog(QWidget *parent);
    ~SetupDialog() override;

    // The link the fields describe, config.ini aside; false with the
    // message OK would show when a field is missing.
    bool fieldSettings(LinkSettings *settings, QString *problem) const;
    bool isTesting() const { return m_testing; }
    QString testResultText() const;

public slots:
    void loadConfig();
    void saveConfig();
    void searchDialog();
    // Reads item 0 with the fields' values on a worker thread.
    void startTest();
    void cancelTest();
    void done(int result) override;

private:
    void alignLabels();
    void fillLists();
    void fillPorts(const QString &storedPort, bool hasStoredPort);
    void showError(const QString &text);
    void addTestRow();
    void addRecentRow();
    void fillRecent();
    void applyRecent(int row);
    void testFinished(const QString &text);

    struct TestState;

    Ui::SetupDialog *m_ui = nullptr;
    QComboBox *m_recent = nullptr;
    QPushButton *m_testButton = nullptr;
    QLabel *m_testResult = nullptr;
    QVector<LinkSettings> m_recentEntries;
    // Shared with a running test, which may outlive the dialog.
    std::shared_ptr<TestState> m_testState;
    bool m_testing = false;
};
