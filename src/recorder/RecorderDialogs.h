// The file dialogs and questions of the recorder, behind one small seam so
// that tests can answer them. The program's answers come from the main
// window's shared file dialogs (OpenDialog1, SaveDialog1) and from message
// boxes.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

class RecorderDialogs {
public:
    virtual ~RecorderDialogs() = default;
    // The chosen file, or empty when cancelled. Filters are written
    // "Record files (*.rec)|*.REC".
    virtual QString ChooseOpen(const QString &filter) = 0;
    // `confirmOverwrite`: the dialog itself asks before an existing file is
    // chosen (the recorder asks its own question for record files).
    virtual QString ChooseSave(const QString &filter, const QString &suffix, bool confirmOverwrite) = 0;
    // A question with the buttons OK and Cancel; true for OK.
    virtual bool Confirm(const QString &text) = 0;
};

// The toolkit's name filter for a filter of the form "Record files
// (*.rec)|*.REC": the description with every pattern in either case.
QString ToolkitNameFilter(const QString &filter);

class ToolkitDialogs : public RecorderDialogs {
public:
    // `window` is the recorder; the shared dialogs belong to its parent.
    explicit ToolkitDialogs(QWidget *window) : Window(window) {}

    QString ChooseOpen(const QString &filter) override;
    QString ChooseSave(const QString &filter, const QString &suffix, bool confirmOverwrite) override;
    bool Confirm(const QString &text) override;

private:
    QString Run(const char *sharedName, bool save, const QString &filter, const QString &suffix,
                bool confirmOverwrite);

    QWidget *Window;
};
