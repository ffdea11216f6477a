// How the service behaves when things go wrong around it: error boxes that
// would stack up, timed work behind a dialog, and the port chooser.
#include "ErrorReport.h"
#include "EventClock.h"
#include "MessageBoxes.h"
#include "PortDirectory.h"
#include "SelectPortDialog.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(ErrorBoxes, OneAtATimeAndNoRepeatsStacked)
{
    // The sink plays the box: while it is "open", the port keeps failing and
    // reports again and again, the way events are delivered inside a box.
    QStringList shown;
    int depth = 0;
    int deepest = 0;
    SetMessageSink([&](const QString &text, const QString &) {
        shown << text;
        deepest = std::max(deepest, ++depth);
        if (shown.size() == 1) {
            for (int i = 0; i < 8; ++i)
                ReportError(QStringLiteral("Output buffer too small for block"));
            ReportError(QStringLiteral("Buffer is empty"));
            ReportError(QStringLiteral("Buffer is empty"));
        }
        --depth;
    });
    InstallMessageBoxErrorReport();
    ReportError(QStringLiteral("Output buffer too small for block"));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(shown, QStringList({"Output buffer too small for block", "Buffer is empty"}));
    // Once closed, the same text shows again.
    ReportError(QStringLiteral("Output buffer too small for block"));
    EXPECT_EQ(shown.size(), 3);
    SetErrorReporter({});
    SetMessageSink({});
}

TEST(RealClock, OtherTasksRunWhileATaskWaitsInANestedLoop)
{
    RealClock clock;
    bool secondRan = false;
    bool secondRanInsideFirst = false;
    clock.CallAfter(0, [&] {
        // A dialog's event loop: it stays until the other task has run, or
        // gives up after a generous while.
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (secondRan)
                loop.quit();
        });
        poll.start(1);
        loop.exec();
        secondRanInsideFirst = secondRan;
    });
    clock.CallAfter(20, [&] { secondRan = true; });
    QEventLoop outer;
    QTimer::singleShot(6000, &outer, &QEventLoop::quit);
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, &outer, [&] {
        if (!clock.HasPendingTasks())
            outer.quit();
    });
    done.start(1);
    outer.exec();
    EXPECT_TRUE(secondRanInsideFirst);
}

TEST(SelectPortDialog, TheChooserDoesNotEnumerateForEveryNumber)
{
    PortDirectory::Ports();  // the start-up enumeration
    const int before = PortDirectory::EnumerationCount();
    // What the line factory does for every number the chooser tries.
    SelectPortDialog::OpenablePorts([](int n) -> std::unique_ptr<SerialLine> {
        PortDirectory::DeviceFor(n);
        throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
    });
    EXPECT_EQ(PortDirectory::EnumerationCount(), before);
}

} // namespace
