#include "FileDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>

#include <memory>

namespace {

// The main window is the top-level widget named "MainForm"; its open and
// save dialogs are shared by every window so that they remember the folder.
QFileDialog *SharedDialog(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QStringLiteral("MainForm"))
            return window->findChild<QFileDialog *>(name, Qt::FindDirectChildrenOnly);
    }
    return nullptr;
}

void HideCompleterPopups(QFileDialog &dialog)
{
    // A completion list left open by a typed name is a window of its own
    // and would stay on screen with the dialog gone.
    for (QCompleter *completer : dialog.findChildren<QCompleter *>()) {
        if (completer->popup())
            completer->popup()->hide();
    }
}

// The file of each kind (by its filter) last chosen in this run. The
// shared dialog would otherwise offer whatever any window chose last: a
// parameter file's name for a ramp/soak program, a program's for a record.
QHash<QString, QString> &LastChosen()
{
    static QHash<QString, QString> chosen;
    return chosen;
}

void OfferLastChosen(QFileDialog &dialog, const FileChoice &choice)
{
    const QString last = LastChosen().value(choice.Filter);
    if (last.isEmpty()) {
        // A kind not chosen yet starts in the working folder with no name.
        // The dialog has no call to clear the name it keeps, so its name
        // field is cleared.
        dialog.setDirectory(QDir::currentPath());
        if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            name->clear();
        return;
    }
    const QFileInfo file(last);
    dialog.setDirectory(file.absolutePath());
    dialog.selectFile(file.fileName());
}

QString RunDialog(const QString &name, QFileDialog::AcceptMode mode, QWidget *owner, const FileChoice &choice)
{
    std::unique_ptr<QFileDialog> own;
    QFileDialog *dialog = SharedDialog(name);
    if (!dialog) {
        own = std::make_unique<QFileDialog>(owner);
        dialog = own.get();
    }
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilter(DialogFilter(choice.Filter));
    // Set every time, empty included: the shared dialog keeps the last
    // window's suffix otherwise.
    dialog->setDefaultSuffix(choice.Suffix);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !choice.DialogAsksOverwrite);
    OfferLastChosen(*dialog, choice);
    // A dialog of the main window would open behind an owner that stays on
    // top of every other window.
    const bool ownerOnTop = owner && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    const bool onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (ownerOnTop)
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (ownerOnTop)
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    HideCompleterPopups(*dialog);
    if (!accepted)
        return QString();
    const QString chosen = dialog->selectedFiles().value(0);
    if (!chosen.isEmpty())
        LastChosen().insert(choice.Filter, chosen);
    return chosen;
}

void AddSpellings(const QString &pattern, QStringList &patterns)
{
    const QString written = pattern.trimmed();
    if (written.isEmpty())
        return;
    for (const QString &spelling : {written.toLower(), written.toUpper(), written}) {
        if (!patterns.contains(spelling))
            patterns << spelling;
    }
}

} // namespace

QString DialogFilter(const QString &filter)
{
    if (filter.isEmpty())
        return QString();
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString description = parts[i];
        QStringList patterns;
        const qsizetype open = description.indexOf(QLatin1Char('('));
        const qsizetype close = open < 0 ? -1 : description.indexOf(QLatin1Char(')'), open);
        if (close > open) {
            const QString inside = description.mid(open + 1, close - open - 1);
            for (const QString &pattern : inside.split(QRegularExpression(QStringLiteral("[; ]")), Qt::SkipEmptyParts))
                AddSpellings(pattern, patterns);
            description = description.left(open).trimmed();
        }
        if (i + 1 < parts.size()) {
            for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
                AddSpellings(pattern, patterns);
        }
        filters << (patterns.isEmpty() ? description
                                       : QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' '))));
    }
    return filters.join(QStringLiteral(";;"));
}

FileDialogs SharedFileDialogs(QWidget *owner)
{
    QPointer<QWidget> guardedOwner(owner);
    FileDialogs dialogs;
    dialogs.ChooseOpen = [guardedOwner](const FileChoice &choice) {
        return RunDialog(QStringLiteral("OpenDialog1"), QFileDialog::AcceptOpen, guardedOwner, choice);
    };
    dialogs.ChooseSave = [guardedOwner](const FileChoice &choice) {
        return RunDialog(QStringLiteral("SaveDialog1"), QFileDialog::AcceptSave, guardedOwner, choice);
    };
    dialogs.Confirm = [guardedOwner](const QString &text) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), text,
                        QMessageBox::Ok | QMessageBox::Cancel, guardedOwner);
        box.setDefaultButton(QMessageBox::Ok);
        return box.exec() == QMessageBox::Ok;
    };
    dialogs.AskYesNo = [guardedOwner](const QString &text, const QString &caption) {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, guardedOwner);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };
    return dialogs;
}
