#pragma once

#include "link/outcome.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// zrvu-cli --json: JSON Lines on stdout, one object per line, the last one
// the run's result. The text a command writes with writeOut is dropped in
// this mode, so nothing but the objects reaches stdout; stderr is unchanged.
// Callable from the operation's thread as from the main thread.
namespace CliJson {

bool enabled();
void enable();
// The command the result names ("" until one is known).
void setCommand(const QString &command);

// One record object, {"type": type, ...fields}.
bool record(const QString &type, QJsonObject fields);
// A field of the result object.
void set(const QString &key, const QJsonValue &value);
// Why the run is failing, for the result's error.code; the first noted
// code is the one the result carries.
void noteError(Failure::Code error);
// A message the text mode prints on stderr for the failure; the messages
// of a run make the result's error.message, one per line.
void noteMessage(const QString &message);

// Text the run prints (stdout's is dropped in this mode): the result's
// "message" is its last line, stderr's before stdout's, as a person reads
// the end of the run; --targets shows it as the instrument's detail.
void noteText(const QString &text, bool stderrText);

// {"type":"result", ...} for a run that ends with `exit`.
QJsonObject resultObject(int exit);
// Writes the result line; returns exit.
int finish(int exit);
// "ok", "failed", "usage", "refused", "differs" or "interrupted".
QString statusName(int exit);
// One compact line with its line feed.
QByteArray line(const QJsonObject &object);

} // namespace CliJson
