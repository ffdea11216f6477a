// Where the program keeps its working files: the settings file and the
// folder of COM port links.
#pragma once

#include <QString>

namespace WorkFolder {

// The folder of the ports/COMn links, inside the work folder.
inline constexpr const char *LinkFolderName = "ports";

// The folder the program was started from when it is writable and already
// holds the settings file or the link folder, so that a set-up made there
// keeps working; otherwise `configFolder`, the user's configuration folder,
// which is created when missing.
QString Choose(const QString &startFolder, const QString &configFolder);

// Sets the work folder; empty (the default) is the current directory.
void Set(const QString &folder);

// `name` in the work folder (`name` itself while the folder is the current
// directory).
QString Path(const QString &name);

} // namespace WorkFolder
