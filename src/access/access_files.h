// Whole Access files: making a new, empty one, and checking one's structure.
#pragma once

#include <QString>
#include <QStringList>

#include "history/history_log.h"

namespace ui {
class Prompter;
}

namespace msaccess {

// Creates an empty Access 2000 database at `path`, which must not exist; the
// file appears complete or not at all. Throws DbError.
void CreateAccessDatabase(const QString& path);

// The command "new": creates the file, or shows in one message why it could
// not. Its history entry (all but where it came from).
history::Entry NewAccessDatabase(const QString& path, ui::Prompter& prompter);

// What is wrong with the file's structure, one sentence each; empty for a
// sound file. Throws DbError when it cannot be opened.
QStringList CheckAccessDatabase(const QString& path, const QString& password);

}  // namespace msaccess
