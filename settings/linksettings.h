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

// The connection a link opens with these settings, for the status bar and
// messages: "UDP 192.168.1.100:5000 · 地址 1 · 加密",
// "串口 COM3 9600 8N1 · 地址 1" (words in the context LinkSettings).
QString linkSummaryText(const LinkSettings &settings);
