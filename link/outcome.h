#pragma once

#include <QByteArray>
#include <QMetaEnum>
#include <QObject>
#include <QString>

// The one vocabulary for why an operation did not succeed. Every outcome
// that can fail names its failure with one of these; the names are stable
// English identifiers (zrvu-cli --json carries them as error.code), so a
// value is only ever added, never renamed.
namespace Failure {
Q_NAMESPACE

enum Code {
    None,
    // The link and its exchanges.
    OpenFailed,
    SendFailed,
    NoReply,
    LineLost,
    BadFrame, // a reply longer than any of its kind
    BadCrc,
    DuplicateAnswer,
    BadAddressOrFunction,
    BadLength,
    BadReply,
    Undefined, // a link result no one knows
    // What the instrument made of a request.
    Refused,
    VerifyMismatch,
    NoAnswer, // the item or value asked for is not there
    ModelMismatch,
    IdentifyFailed,
    EraseFailed,
    PageFailed,
    TooManyLines,
    // The command and its files.
    Usage,
    BadValue,
    Differs,
    BadPackage,
    FileOpenFailed,
    FileWriteFailed,
    DiskFull,
    BackupFailed,
    DownloadFailed,
    CatalogueFailed,
    Interrupted,
    Failed, // none of the above says more
};
Q_ENUM_NS(Code)

// The stable name of a value ("NoReply").
inline QString errorName(Code error)
{
    return QString::fromLatin1(QMetaEnum::fromType<Code>().valueToKey(error));
}

// What a DeviceLink::transact result and its reply amount to (None when
// the reply is a frame whose CRC holds).
Code fromLinkResult(int result, const QByteArray &reply);
} // namespace Failure
