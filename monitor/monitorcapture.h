#pragma once

#include "link/outcome.h"

#include <QByteArray>
#include <QString>

#include <functional>

class DeviceLink;

struct MonitorCaptureHooks {
    // Polled between capture cycles and inside the serial read loop; may
    // be empty.
    std::function<bool()> stopRequested;
    // The first debug-switch request was answered; listening starts now.
    std::function<void()> capturing;
    // One captured line, with its line feed unless it was cut at the line
    // bound.
    std::function<void(const QByteArray &line)> line;
};

struct MonitorCaptureOptions {
    // Switch the instrument's debug output on for the run ("1" first, "0"
    // after the stop); otherwise "0" first and nothing at the end.
    bool debug = false;
    int replyTimeoutMs = 5000;
};

struct MonitorCaptureOutcome {
    Q_GADGET
public:
    enum Status {
        Captured, // the stop request ended the capture, as it should
        // failure says why: OpenFailed (detail: the link's error text) or
        // LineLost (the serial line hung up during the capture).
        Failed,
        SwitchFailed, // the first debug-switch request failed: nothing captured
        SwitchOffFailed, // captured, but the final "0" request failed
    };
    Q_ENUM(Status)
    Status status = Failed;
    // None for Captured. The switch requests report their failure as text
    // only: it counts as NoReply.
    Failure::Code failure = Failure::Failed;
    // The link's error text, or the failed request's reply error.
    QString detail;
    qint64 lines = 0;
};

// Opens `link`, sends the debug-switch request and listens to the
// instrument's text output until the stop request; in debug mode it then
// switches the output off again, even when the stop came before the first
// request was answered.
MonitorCaptureOutcome captureMonitor(DeviceLink &link, const MonitorCaptureOptions &options,
                                     const MonitorCaptureHooks &hooks);

// The message box title and text of a failed capture; empty text for
// Captured.
QString monitorCaptureTitle(const MonitorCaptureOutcome &outcome);
QString monitorCaptureMessage(const MonitorCaptureOutcome &outcome);
// The failure in the shared vocabulary (None for Captured): `failure`.
Failure::Code monitorCaptureError(const MonitorCaptureOutcome &outcome);

// A reply to the debug switch is a counted reply, in an envelope when the
// link is encrypted; anything longer is no reply.
constexpr int kMaxMonitorSwitchReplyBytes = 255 + 5 + 6;
