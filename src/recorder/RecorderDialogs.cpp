#include "RecorderDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

QString ToolkitNameFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    QString description = filter.left(bar);
    const qsizetype open = description.indexOf(QLatin1Char('('));
    if (open >= 0)
        description = description.left(open).trimmed();
    QStringList patterns;
    for (const QString &pattern : filter.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        for (const QString &spelling : {pattern.toLower(), pattern.toUpper()}) {
            if (!patterns.contains(spelling))
                patterns << spelling;
        }
    }
    return QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
}

QString ToolkitDialogs::ChooseOpen(const QString &filter)
{
    return Run("OpenDialog1", false, filter, QString(), false);
}

QString ToolkitDialogs::ChooseSave(const QString &filter, const QString &suffix, bool confirmOverwrite)
{
    return Run("SaveDialog1", true, filter, suffix, confirmOverwrite);
}

QString ToolkitDialogs::Run(const char *sharedName, bool save, const QString &filter, const QString &suffix,
                            bool confirmOverwrite)
{
    QWidget *owner = Window ? Window->parentWidget() : nullptr;
    QFileDialog *shared = owner ? owner->findChild<QFileDialog *>(QString::fromLatin1(sharedName),
                                                                  Qt::FindDirectChildrenOnly)
                                : nullptr;
    QFileDialog own(Window);
    QFileDialog &dialog = shared ? *shared : own;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(ToolkitNameFilter(filter));
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !confirmOverwrite);
    const int answer = dialog.exec();
    // A completion list left open by the typed name would stay on screen
    // with the shared dialog hidden.
    for (QCompleter *completer : dialog.findChildren<QCompleter *>()) {
        if (completer->popup())
            completer->popup()->hide();
    }
    if (answer != QDialog::Accepted)
        return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

bool ToolkitDialogs::Confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, Window);
    return box.exec() == QMessageBox::Ok;
}
