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

} // namespace

void ShowMessage(const QString &text, const QString &caption)
{
    if (Sink()) {
        Sink()(text, caption);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption.isEmpty() ? QApplication::applicationName() : caption, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void SetMessageSink(MessageSink sink)
{
    Sink() = std::move(sink);
}

void InstallMessageBoxErrorReport()
{
    SetErrorReporter([](const QString &text) { ShowMessage(text); });
}
