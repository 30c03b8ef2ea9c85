#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Closes modal dialogs for a test. Every short tick it looks at
// QApplication::activeModalWidget(); a box found there is recorded (title,
// text, icon) and answered: message boxes with the chosen button (default:
// the first accept-role button), other dialogs with the handler if one is
// set, else reject(). No test can hang on a box while one of these lives.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    struct Seen {
        QString className;
        QString objectName;
        QString title;
        QString text;
        QString informativeText;
        QStringList buttons; // message boxes: the button texts
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    explicit ModalCloser(QObject *parent = nullptr);

    // For message boxes: click the button with this text (empty: accept role).
    void setButtonText(const QString &text) { m_buttonText = text; }
    // For other dialogs: called with the dialog instead of reject().
    void setDialogHandler(std::function<void(QWidget *)> handler) { m_handler = std::move(handler); }

    QList<Seen> seen() const { return m_seen; }
    QStringList texts() const;
    int count() const { return m_seen.size(); }
    void clear() { m_seen.clear(); }

private slots:
    void slotTick();

private:
    QTimer m_timer;
    QString m_buttonText;
    std::function<void(QWidget *)> m_handler;
    QList<Seen> m_seen;
    QWidget *m_handled = nullptr;
};
