// The per-user store of the six connection values: application "Quenmark",
// section "Tabloria", one text per key. On Linux it is the file Quenmark.conf
// in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config), with
// [Tabloria] as its section. It holds passwords in plain text, so only its
// owner may read it.
#pragma once

#include <QString>

namespace settings {

// The text stored under `key`; the empty text when the file, the section or
// the key does not exist.
QString ReadSetting(const QString& key);

// Stores `text` under `key` and writes the file at once. An empty text is
// stored as an empty value; the key stays.
void WriteSetting(const QString& key, const QString& text);

// Where the store lives now (the folder is looked up on every call, so a
// changed XDG_CONFIG_HOME takes effect at once).
QString SettingsFilePath();

}  // namespace settings
