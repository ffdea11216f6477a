// The file dialogs and questions every window asks through: the filter
// form, the main window's shared dialogs and the boxes, answered from a
// timer inside their modal loop.
#include "FileDialogs.h"
#include "MessageTable.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool WriteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool written = file.write("data") == 4;
    file.close();
    return written;
}

// Runs `answer` on the modal window once the next modal loop has shown it.
void AnswerNextModal(std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, qApp, [answer] { answer(QApplication::activeModalWidget()); });
}

// A main window with its shared dialogs, as the program has it.
struct MainWindowWithDialogs {
    MainWindowWithDialogs()
    {
        Window.setObjectName(QStringLiteral("MainForm"));
        for (QFileDialog **dialog : {&Open, &Save}) {
            *dialog = new QFileDialog(&Window);
            (*dialog)->setOption(QFileDialog::DontUseNativeDialog);
        }
        Open->setObjectName(QStringLiteral("OpenDialog1"));
        Save->setObjectName(QStringLiteral("SaveDialog1"));
    }
    QWidget Window;
    QFileDialog *Open = nullptr;
    QFileDialog *Save = nullptr;
};

struct FilterCase {
    const char *Written;
    const char *Shown;
};

class DialogFilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(DialogFilterTest, EveryPatternInBothCases)
{
    EXPECT_EQ(DialogFilter(QString::fromUtf8(GetParam().Written)), QString::fromUtf8(GetParam().Shown));
}

INSTANTIATE_TEST_SUITE_P(FileDialogs, DialogFilterTest,
                         ::testing::Values(FilterCase{"Record files (*.rec)|*.REC", "Record files (*.rec *.REC)"},
                                           FilterCase{"CSV files (*.csv)|*.CSV", "CSV files (*.csv *.CSV)"},
                                           FilterCase{"Parameters backup files (*.par)|*.PAR",
                                                      "Parameters backup files (*.par *.PAR)"},
                                           FilterCase{"Texts|*.txt", "Texts (*.txt *.TXT)"},
                                           FilterCase{"Logs (*.LOG)|*.LOG", "Logs (*.log *.LOG)"},
                                           FilterCase{"Mixed|*.Rec", "Mixed (*.rec *.REC *.Rec)"},
                                           FilterCase{"All (*.*)", "All (*.*)"},
                                           FilterCase{"", ""}));

TEST(FileDialogs, TheFilterInTheDialogsForm)
{
    EXPECT_EQ(DialogFilter(MessageTable::RampFileFilter), QStringLiteral("Ramp soak table files (*.r$s *.R$S)"));
    EXPECT_EQ(DialogFilter(QStringLiteral("Texts|*.txt;*.TXT|All (*.*)|*.*")),
              QStringLiteral("Texts (*.txt *.TXT);;All (*.*)"));
}

// The main window's shared dialog is used when there is one, with the
// window's filter, and answers with the chosen file.
TEST(FileDialogs, TheMainWindowsOpenDialog)
{
    QWidget mainForm;
    mainForm.setObjectName(QStringLiteral("MainForm"));
    auto *shared = new QFileDialog(&mainForm);
    shared->setObjectName(QStringLiteral("OpenDialog1"));
    shared->setOption(QFileDialog::DontUseNativeDialog);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("chosen.r$s"));
    ASSERT_TRUE(WriteFile(path));
    const FileChoice ramp{MessageTable::RampFileFilter, QStringLiteral("r$s")};
    QTimer::singleShot(0, shared, [shared, path] {
        shared->selectFile(path);
        static_cast<QDialog *>(shared)->accept();
    });
    EXPECT_EQ(SharedFileDialogs(nullptr).ChooseOpen(ramp), path);
    EXPECT_EQ(shared->nameFilters(), QStringList{QStringLiteral("Ramp soak table files (*.r$s *.R$S)")});
    EXPECT_FALSE(shared->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    QTimer::singleShot(0, shared, [shared] { shared->reject(); });
    EXPECT_EQ(SharedFileDialogs(nullptr).ChooseOpen(ramp), QString());
}

// A window that stays on top gets the shared dialog above it while the
// dialog is open, and only then.
TEST(FileDialogs, TheSharedDialogStaysAboveAnOwnerOnTop)
{
    MainWindowWithDialogs main;
    QWidget editor(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    auto *button = new QWidget(&editor);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("new.r$s"));
    bool onTopWhileOpen = false;
    AnswerNextModal([&](QWidget *modal) {
        ASSERT_EQ(modal, main.Save);
        onTopWhileOpen = main.Save->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        main.Save->selectFile(path);
        static_cast<QDialog *>(main.Save)->accept();
    });
    EXPECT_EQ(SharedFileDialogs(button).ChooseSave({MessageTable::RampFileFilter, QStringLiteral("r$s")}), path);
    EXPECT_TRUE(onTopWhileOpen);
    EXPECT_FALSE(main.Save->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    QWidget monitor;
    AnswerNextModal([&](QWidget *modal) {
        ASSERT_EQ(modal, main.Save);
        onTopWhileOpen = main.Save->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        main.Save->reject();
    });
    EXPECT_EQ(SharedFileDialogs(&monitor).ChooseSave({MessageTable::ParameterFileFilter, QStringLiteral("par")}),
              QString());
    EXPECT_FALSE(onTopWhileOpen);
}

// One window's suffix and overwrite question do not stay with the shared
// dialog for the next window.
TEST(FileDialogs, EachChoiceSetsSuffixAndOverwriteQuestion)
{
    MainWindowWithDialogs main;
    QWidget recorder;
    struct Seen {
        QString Suffix;
        bool DialogAsks = false;
        QFileDialog::AcceptMode Mode = QFileDialog::AcceptOpen;
        QFileDialog::FileMode Files = QFileDialog::AnyFile;
    };
    Seen seen;
    const auto cancel = [&seen](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        seen = {dialog->defaultSuffix(), !dialog->testOption(QFileDialog::DontConfirmOverwrite), dialog->acceptMode(),
                dialog->fileMode()};
        dialog->reject();
    };
    const FileDialogs dialogs = SharedFileDialogs(&recorder);

    AnswerNextModal(cancel);
    dialogs.ChooseSave({MessageTable::CsvFileFilter, QStringLiteral("csv"), true});
    EXPECT_EQ(seen.Suffix, "csv");
    EXPECT_TRUE(seen.DialogAsks);
    EXPECT_EQ(seen.Mode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen.Files, QFileDialog::AnyFile);
    EXPECT_EQ(main.Save->nameFilters(), QStringList{"CSV files (*.csv *.CSV)"});

    AnswerNextModal(cancel);
    dialogs.ChooseSave({MessageTable::RecordFileFilter, QStringLiteral("rec")});
    EXPECT_EQ(seen.Suffix, "rec");
    EXPECT_FALSE(seen.DialogAsks);

    main.Open->setDefaultSuffix(QStringLiteral("r$s"));
    AnswerNextModal(cancel);
    dialogs.ChooseOpen({MessageTable::RecordFileFilter});
    EXPECT_EQ(seen.Suffix, "");
    EXPECT_EQ(seen.Mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.Files, QFileDialog::ExistingFile);
}

// Each kind of file keeps its own folder and name: a save of one kind never
// offers the name of another, an open never starts in another's folder.
TEST(FileDialogs, EachKindRemembersItsOwnFolderAndName)
{
    MainWindowWithDialogs main;
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath("a") && QDir(folder.path()).mkpath("b"));
    // The files exist, so that the dialog takes them whatever it has read
    // of their folders yet.
    for (const char *file : {"a/modelB.kp", "b/prog.kr", "b/run.kc"})
        ASSERT_TRUE(WriteFile(folder.filePath(file)));
    // Kinds of their own, so that no other test has chosen them before.
    const QString backup = QStringLiteral("Backups (*.kp)|*.KP");
    const QString program = QStringLiteral("Programs (*.kr)|*.KR");
    const QString record = QStringLiteral("Records (*.kc)|*.KC");
    const QString here = QDir::currentPath();
    struct Step {
        const QString &Kind;
        bool Save;
        QString OfferedFolder;
        QString OfferedName;
        QString Choose;  // empty: cancel
    };
    const Step steps[] = {
        {backup, true, here, "", folder.filePath("a/modelB.kp")},
        {program, true, here, "", folder.filePath("b/prog.kr")},
        {record, false, here, "", ""},
        {backup, false, folder.filePath("a"), "modelB.kp", folder.filePath("a/modelB.kp")},
        {program, false, folder.filePath("b"), "prog.kr", ""},
        {record, true, here, "", folder.filePath("b/run.kc")},
        {program, true, folder.filePath("b"), "prog.kr", ""},
        {record, false, folder.filePath("b"), "run.kc", ""},
    };
    const FileDialogs dialogs = SharedFileDialogs(nullptr);
    for (const Step &step : steps) {
        QString folderSeen;
        QString nameSeen;
        AnswerNextModal([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            ASSERT_NE(dialog, nullptr);
            folderSeen = dialog->directory().absolutePath();
            const QFileInfo offered(dialog->selectedFiles().value(0));
            nameSeen = offered.isDir() ? QString() : offered.fileName();
            if (step.Choose.isEmpty()) {
                dialog->reject();
                return;
            }
            // The dialog does not change a name the user is typing: the name
            // field is left first.
            if (QWidget *typing = dialog->focusWidget())
                typing->clearFocus();
            dialog->selectFile(step.Choose);
            static_cast<QDialog *>(dialog)->accept();
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the dialog did not take " << step.Choose.toStdString();
                dialog->reject();
            }
        });
        const QString chosen = step.Save ? dialogs.ChooseSave({step.Kind}) : dialogs.ChooseOpen({step.Kind});
        EXPECT_EQ(chosen, step.Choose) << step.Kind.toStdString();
        EXPECT_EQ(folderSeen, QDir(step.OfferedFolder).absolutePath()) << step.Kind.toStdString();
        EXPECT_EQ(nameSeen, step.OfferedName) << step.Kind.toStdString();
    }
}

// A completion list opened by a typed name goes with the dialog.
TEST(FileDialogs, TheCompletionListGoesWithTheDialog)
{
    MainWindowWithDialogs main;
    QAbstractItemView *popup = nullptr;
    AnswerNextModal([&](QWidget *) {
        QCompleter *completer = main.Open->findChild<QCompleter *>();
        ASSERT_NE(completer, nullptr);
        popup = completer->popup();
        popup->show();
        main.Open->reject();
    });
    SharedFileDialogs(nullptr).ChooseOpen({MessageTable::RecordFileFilter});
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(popup->isVisible());
}

// Without a main window the owner gets a dialog of its own.
TEST(FileDialogs, ADialogOfItsOwnWithoutTheMainWindow)
{
    QWidget owner;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("backup.par"));
    ASSERT_TRUE(WriteFile(path));
    QWidget *parent = nullptr;
    AnswerNextModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        parent = dialog->parentWidget();
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept();
    });
    EXPECT_EQ(SharedFileDialogs(&owner).ChooseOpen({MessageTable::ParameterFileFilter, QStringLiteral("par")}), path);
    EXPECT_EQ(parent, &owner);
    EXPECT_TRUE(owner.findChildren<QFileDialog *>().isEmpty());
}

TEST(FileDialogs, QuestionsAnswerTheButtonPressed)
{
    QWidget owner;
    const FileDialogs dialogs = SharedFileDialogs(&owner);
    QString title;
    const auto press = [&title](QMessageBox::StandardButton button) {
        return [&title, button](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle() + '|' + box->text();
            ASSERT_NE(box->button(button), nullptr);
            box->button(button)->click();
        };
    };
    AnswerNextModal(press(QMessageBox::Ok));
    EXPECT_TRUE(dialogs.Confirm(QStringLiteral("Over write file : a.rec")));
    EXPECT_EQ(title, QApplication::applicationDisplayName() + "|Over write file : a.rec");
    AnswerNextModal(press(QMessageBox::Cancel));
    EXPECT_FALSE(dialogs.Confirm(QStringLiteral("Over write file : a.rec")));
    AnswerNextModal(press(QMessageBox::Yes));
    EXPECT_TRUE(dialogs.AskYesNo(QStringLiteral("Write all?"), QStringLiteral("Confirm")));
    EXPECT_EQ(title, "Confirm|Write all?");
    AnswerNextModal(press(QMessageBox::No));
    EXPECT_FALSE(dialogs.AskYesNo(QStringLiteral("Write all?"), QStringLiteral("Confirm")));
}

} // namespace
