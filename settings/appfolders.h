#pragma once

#include <QString>
#include <QStringList>

class QTranslator;

// Where the programs keep their files. Everything is found by relative name
// in the working folder (config.ini, SkipItems, Files/, the translations);
// these functions only decide which folder that is, once, at start.
//
// A program counts as installed when "../share/zrvu/translations" exists
// beside its own folder (/usr/bin -> /usr/share/zrvu/translations, the same
// under any install prefix or a dpkg -x root). A build folder never has it,
// so build-folder programs and the tests keep working in the current folder.

// The installed translations folder for a program folder; empty when the
// program is not installed.
QString installedTranslationsDir(const QString &programDir);

// The per-user folder of installed programs ($XDG_DATA_HOME/zrvu, by
// default ~/.local/share/zrvu).
QString userDataDir();

// The folder to work in: the current one when it holds a config.ini or the
// program is not installed, otherwise the per-user folder.
QString chooseWorkingDir(const QString &currentDir, const QString &programDir, const QString &userDir);

// Creates the per-user folder with config.ini, Files/ and Backups/ when
// missing. Returns false with *error set when it cannot be made.
bool prepareUserDir(const QString &userDir, QString *error);

// Decides and enters the working folder for the running application
// (QCoreApplication must exist). On failure the current folder stays and
// *error says why.
bool enterWorkingDir(QString *error);

// Folders a translation file is looked up in, in order: the working folder,
// then the installed translations folder of the running program (if any),
// then `extra`.
QStringList translationDirs(const QStringList &extra = {});

// Loads `name` (the standard search: suffix, shorter forms) from the first of
// `dirs` that has it. False leaves the translator empty.
bool loadTranslation(QTranslator *translator, const QString &name, const QStringList &dirs);

// Qt's own translation file for a language code of the language switch;
// empty for English, whose texts Qt's source texts already are.
QString qtTranslationName(const QString &language);

// Qt's installed translations folder (QLibraryInfo::TranslationsPath).
QString qtTranslationsDir();
