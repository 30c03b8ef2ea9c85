#pragma once

#include "link/outcome.h"
#include "settings/linksettings.h"

#include <QCoreApplication>
#include <QString>

// Reads item 0 over a link set up from the given values, not from
// config.ini: a setup can be tried before it is saved.
struct ConnectionTestOutcome {
    Q_GADGET
public:
    enum Status { Answered, EmptyList, Failed };
    Q_ENUM(Status)
    Status status = Failed;
    Failure::Code failure = Failure::Failed; // None for Answered and EmptyList
    QString name;  // item 0's name
    QString value; // and value, empty for a command item
    QString detail; // the message of a failure
};
ConnectionTestOutcome testConnection(const LinkSettings &settings);

class ConnectionTest
{
    Q_DECLARE_TR_FUNCTIONS(ConnectionTest)

public:
    // "UDP 127.0.0.1:5000" or "/dev/ttyUSB0 9600", with the device address.
    static QString endpointText(const LinkSettings &settings);
    // What was tried and what came of it, for the setup dialog.
    static QString message(const LinkSettings &settings, const ConnectionTestOutcome &outcome);
};
