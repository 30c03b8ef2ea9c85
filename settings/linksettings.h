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

// The serial codes the store keeps, numbered as the serial port numbers
// them (1.5 stop bits is 3). One table each for the setup dialog's lists,
// the summary and zrvu-cli's options.
struct ParityCode {
    int code;
    char letter;      // as in "8N1"
    const char *name; // the dialog translates it (context SetupDialog); zrvu-cli takes it in any case
};
inline constexpr ParityCode kParityCodes[] = {
    {0, 'N', QT_TRANSLATE_NOOP("SetupDialog", "None")}, {2, 'E', QT_TRANSLATE_NOOP("SetupDialog", "Even")},
    {3, 'O', QT_TRANSLATE_NOOP("SetupDialog", "Odd")},   {4, 'S', QT_TRANSLATE_NOOP("SetupDialog", "Space")},
    {5, 'M', QT_TRANSLATE_NOOP("SetupDialog", "Mark")},
};
struct StopBitsCode {
    int code;
    const char *text;
};
// In the order of the codes, hence "1.5" after "2".
inline constexpr StopBitsCode kStopBitsCodes[] = {{1, "1"}, {2, "2"}, {3, "1.5"}};

// The code of a parity name ("even", any case) or of a stop-bits text
// ("1.5"); false for anything else.
bool parityFromName(const QString &name, int *code);
bool stopBitsFromText(const QString &text, int *code);

// The connection a link opens with these settings, for the status bar and
// messages: "UDP 192.168.1.100:5000 · 地址 1 · 加密",
// "串口 COM3 9600 8N1 · 地址 1" (words in the context LinkSettings).
QString linkSummaryText(const LinkSettings &settings);
