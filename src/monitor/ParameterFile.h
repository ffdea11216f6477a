// The parameter backup file (*.par): exactly the 260 bytes of the parameter
// buffer, with no header. The window turns the results into its messages.
#pragma once

#include "ParameterImage.h"

#include <QString>

// Writes the buffer to a temporary file beside `path` and renames it over
// the old file, so that a save that fails half-way (disk full, no
// permission) leaves the old file as it was. False when anything failed.
bool SaveParameterFile(const QString &path, const ParameterImage &image);

struct ParameterFileLoad {
    enum class Outcome {
        Loaded,        // 260 bytes with a matching check byte
        BadCheckByte,  // 260 bytes, but the check byte does not match
        Refused,       // not 260 bytes long, a folder, or unreadable
    };
    Outcome Result = Outcome::Refused;
    // The file's bytes when it had the right length (also with a bad check
    // byte); zero otherwise.
    ParameterImage Image;
};

ParameterFileLoad LoadParameterFile(const QString &path);

// "Over write file : " followed by the file's name without its folder.
QString OverwriteQuestion(const QString &path);
