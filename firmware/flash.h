#pragma once

#include "link/outcome.h"
#include <QByteArray>
#include <QString>

#include <functional>

class DEncryptInfo;
class DeviceLink;

// What the identify reply says about the package's model.
enum class IdentifyReplyStatus {
    ModelConfirmed, // "!?Find <model> OK" somewhere in its text
    OtherModel,
};

// What an erase or page reply says.
enum class FlashAckStatus {
    Exact,           // byte for byte the expected reply
    EraseText,       // another frame that carries "Erase OK\r\n" at its first 'E'
    NotAcknowledged,
};

// The model is inserted into the pattern verbatim: instruments rely on
// pattern models.
bool flashModelMatches(const QString &identifyText, const QString &model);
IdentifyReplyStatus parseIdentifyReply(const QByteArray &reply, const QString &model);
FlashAckStatus parseFlashAck(const QByteArray &reply, const QByteArray &expected);
FlashAckStatus parseEraseReply(const QByteArray &reply);
FlashAckStatus parsePageReply(const QByteArray &reply, quint8 pageNumber);
inline bool isAcknowledged(FlashAckStatus s) { return s != FlashAckStatus::NotAcknowledged; }

// The single exchanges, on an open link. Results and replies of the leave
// requests are ignored.
bool flashIdentify(DeviceLink &link, QByteArray &reply, int timeoutMs);
bool flashSendAndCompare(DeviceLink &link, const QByteArray &request, const QByteArray &expected, int timeoutMs);
void flashLeave(DeviceLink &link, int timeoutMs);

struct FlashTimeouts {
    int exchangeMs = 5000; // identify, pages, leave
    int eraseMs = 10000;
    int reopenPauseMs = 1000;
};

struct FlashHooks {
    // 0 once the erase is acknowledged, then after each acknowledged page the
    // share of the image before that page (so never 100).
    std::function<void(int percent)> progress;
    FlashTimeouts timeouts;
};

struct FlashOutcome {
    Q_GADGET
public:
    enum Status {
        Complete,
        Failed,         // failure says why: OpenFailed (detail: the link's error text)
        NoImage,        // nothing was sent: erasing for no image would brick the instrument
        ReopenFailed,   // the re-open after an unanswered identify; detail: the link's text
        IdentifyFailed, // no identify answer twice; the leave requests went out
        ModelMismatch,  // the instrument is another model; the leave requests went out
        EraseFailed,
        PageFailed,     // failedPage was not acknowledged; nothing after it was sent
    };
    Q_ENUM(Status)
    Status status = Failed;
    Failure::Code failure = Failure::Failed; // None for Complete
    QString detail;
    int totalPages = 0;
    int pagesDone = 0;
    int failedPage = -1;   // page ordinal (not the wrapped page number)
    QString identifyText;  // the instrument's identify answer, decoded
    bool leaveSent = false;
};

// The whole programming sequence: opens `link` (unopened, as constructed),
// identifies (once more after a pause and a re-open), checks the model,
// erases, sends every page and leaves the update. It cannot be stopped
// halfway: an instrument left between pages has no firmware.
FlashOutcome flashImage(DeviceLink &link, const QByteArray &image, const QString &model, const FlashHooks &hooks);
FlashOutcome flashPackage(DeviceLink &link, const DEncryptInfo &package, const FlashHooks &hooks);

// The update's error text (context UpdateThread); empty for Complete.
QString flashMessage(const FlashOutcome &outcome);
// The failure in the shared vocabulary (None for Complete): `failure`.
Failure::Code flashError(const FlashOutcome &outcome);

// The update dialog's texts around a flash (context UpdateDialog).
QString flashSucceededMessage();
QString flashBusyMessage();
QString flashFileMissingMessage();
