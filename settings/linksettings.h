#pragma once

#include <QSettings>
#include <QString>

// Everything a link connection reads from the settings when it opens, as
// one value: the setup dialog, a connection test and zrvu-cli's instrument
// lists can hand a link its endpoint without going through config.ini.
struct LinkSettings {
    bool useRts = false;
    bool useDtr = false;
    bool useUdp = false;
    quint8 deviceAddress = 0xFF;
    bool encrypt = false;
    QString udpAddress;
    quint16 udpPort = 0;
    QString serialPort;
    int baudrate = 9600;
    int databits = 8;
    int parity = 0;
    int stopbits = 1;

    // The stored keys, with their defaults (null: the program's store).
    static LinkSettings fromSettings(QSettings *settings = nullptr);
};
