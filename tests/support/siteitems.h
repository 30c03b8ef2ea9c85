#pragma once

#include <QByteArray>

// One instrument on a site, as zrsim's items (kSiteItems), and the item file
// of another instrument of the same model (kOtherSite): its own identity
// rows, a read-only row and a row the first lacks.
inline const QByteArray kSiteItems = "站点名称:A站\n"
                                     "设备名称:ZR-Demo\n"
                                     "Rate(1/5/10/60):10\n"
                                     "!Uptime:1234 h\n"
                                     "IP地址:10.0.0.8\n"
                                     "Calibrate zero\n";
inline const QByteArray kOtherSite = "\xEF\xBB\xBF"
                                     "00. 站点名称, B站\r\n"
                                     "01. 设备名称, ZR-Demo\r\n"
                                     "02. Rate(1/5/10/60), 60\r\n"
                                     "03. Uptime, 99 h\r\n"
                                     "04. IP地址, 10.0.0.9\r\n"
                                     "05. Calibrate zero\r\n"
                                     "09. Extra, 1\r\n";
