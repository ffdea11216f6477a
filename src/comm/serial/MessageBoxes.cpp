#include "MessageBoxes.h"

#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace {

MessageSink &Sink()
{
    static MessageSink sink;
    return sink;
}

// The default error report shows one box at a time. A handler that keeps
// failing while a box is open (the port goes on delivering events inside
// the box's event loop) adds no box on top: a repeat of a text already
// shown or waiting is dropped, other texts wait their turn.
void ShowErrorBox(const QString &text)
{
    static bool showing = false;
    static QString current;
    static QStringList waiting;
    constexpr int MaxWaiting = 8;
    if (showing) {
        if (text != current && !waiting.contains(text) && waiting.size() < MaxWaiting)
            waiting.append(text);
        return;
    }
    showing = true;
    current = text;
    for (;;) {
        ShowMessage(current);
        if (waiting.isEmpty())
            break;
        current = waiting.takeFirst();
    }
    current.clear();
    showing = false;
}

} // namespace

void ShowMessage(const QString &text, const QString &caption)
{
    if (Sink()) {
        Sink()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void SetMessageSink(MessageSink sink)
{
    Sink() = std::move(sink);
}

void InstallMessageBoxErrorReport()
{
    SetErrorReporter(&ShowErrorBox);
}
