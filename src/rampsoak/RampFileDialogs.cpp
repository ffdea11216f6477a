#include "RampFileDialogs.h"

#include "MessageTable.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

namespace {

QFileDialog *SharedDialog(const QString &name)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->objectName() != QStringLiteral("MainForm"))
            continue;
        if (auto *dialog = window->findChild<QFileDialog *>(name))
            return dialog;
    }
    return nullptr;
}

QString RunDialog(const QString &name, QFileDialog::AcceptMode mode, QWidget *owner, const QString &filter,
                  const QString &suffix)
{
    std::unique_ptr<QFileDialog> own;
    QFileDialog *dialog = SharedDialog(name);
    if (!dialog) {
        own = std::make_unique<QFileDialog>(owner);
        dialog = own.get();
    }
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setNameFilter(DialogFilter(filter));
    dialog->setDefaultSuffix(suffix);
    // The editor asks its own overwrite question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite, mode == QFileDialog::AcceptSave);
    // The editor stays on top of every other window; a dialog of the main
    // window would open behind it.
    const bool onTop = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    return accepted ? dialog->selectedFiles().value(0) : QString();
}

} // namespace

QString DialogFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i < parts.size(); i += 2) {
        QString description = parts[i];
        QStringList patterns;
        const int open = description.indexOf(QLatin1Char('('));
        const int close = description.indexOf(QLatin1Char(')'), open);
        if (open >= 0 && close > open) {
            patterns = description.mid(open + 1, close - open - 1).split(QRegularExpression(QStringLiteral("[; ]")),
                                                                         Qt::SkipEmptyParts);
            description = description.left(open).trimmed();
        }
        if (i + 1 < parts.size()) {
            for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                if (!patterns.contains(pattern.trimmed()))
                    patterns << pattern.trimmed();
            }
        }
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

RampFileDialogs MainWindowFileDialogs(QWidget *owner)
{
    return MainWindowFileDialogs(owner, MessageTable::RampFileFilter, QStringLiteral("r$s"));
}

RampFileDialogs MainWindowFileDialogs(QWidget *owner, const QString &filter, const QString &defaultSuffix)
{
    QPointer<QWidget> guardedOwner(owner);
    RampFileDialogs dialogs;
    dialogs.ChooseOpen = [guardedOwner, filter, defaultSuffix] {
        return RunDialog(QStringLiteral("OpenDialog1"), QFileDialog::AcceptOpen, guardedOwner, filter, defaultSuffix);
    };
    dialogs.ChooseSave = [guardedOwner, filter, defaultSuffix] {
        return RunDialog(QStringLiteral("SaveDialog1"), QFileDialog::AcceptSave, guardedOwner, filter, defaultSuffix);
    };
    dialogs.Confirm = [guardedOwner](const QString &text) {
        QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
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
