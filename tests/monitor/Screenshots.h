// Pictures of the widgets for a person to look at: saved only when the
// environment variable QMV_SCREENSHOTS names a folder.
#pragma once

#include <QDir>
#include <QWidget>

inline void KeepScreenshot(QWidget &widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("QMV_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(QDir(folder).filePath(name));
}
