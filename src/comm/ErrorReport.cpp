#include "ErrorReport.h"

#include <cstdio>

ComError::ComError(const QString &text) : std::runtime_error(text.toStdString()) {}

QString ComError::Text() const
{
    return QString::fromUtf8(what());
}

namespace {

ErrorReporter &Reporter()
{
    static ErrorReporter reporter;
    return reporter;
}

} // namespace

void SetErrorReporter(ErrorReporter reporter)
{
    Reporter() = std::move(reporter);
}

void ReportError(const QString &text)
{
    if (Reporter())
        Reporter()(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void Guarded(const std::function<void()> &action) noexcept
{
    try {
        action();
    } catch (const std::exception &e) {
        ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(QStringLiteral("Unexpected error"));
    }
}
