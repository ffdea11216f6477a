// One recording over a real pseudo-terminal served by qmvsim, with the
// program's own serial line code and the real clock: the demo bus's first
// two controllers on the default link, half-second samples, saved.
#include "QtSerialLine.h"
#include "RecorderRig.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(SamplerPtyTest, RecordsTwoControllersOverAPseudoTerminal)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("ports")));
    const QString link = folder.filePath(QStringLiteral("ports/COM1"));
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedChannels);
    sim.start(QStringLiteral(QMV_QMVSIM_PATH),
              {QStringLiteral("--link"), link, QStringLiteral("--controller"), QStringLiteral("address=1,model=A"),
               QStringLiteral("--controller"), QStringLiteral("address=2,model=B")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&link] { return QFileInfo(link).exists(); }, 5000));
    ResetShared();

    {
        SamplerRig rig(DefaultClock(), QtSerialLineFactory());
        rig.State() = TRecorderState{};
        rig.State().SaveArmed = true;
        rig.State().RecordFilePath = folder.filePath(QStringLiteral("pty.rec"));
        rig.Engine.Start(SamplerRig::Addresses({1, 2}), 0);
        EXPECT_TRUE(QTest::qWaitFor([&rig] { return rig.State().SampleCount >= 3; }, 20'000));
        rig.Engine.Stop();
        EXPECT_TRUE(rig.View.Failures.isEmpty()) << rig.View.Failures.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(rig.View.FaultLines.isEmpty() || rig.View.FaultLines == QStringList{QString()})
            << rig.View.FaultLines.join(QLatin1Char('|')).toStdString();
        EXPECT_FALSE(rig.Port.Open());
        EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
        for (int s : {0, 1}) {
            const QString value = rig.Chart.View.Values[static_cast<std::size_t>(s)];
            EXPECT_FALSE(value.isEmpty() || value == QStringLiteral("Err")) << s;
        }
        const QByteArray file = ReadAll(folder.filePath(QStringLiteral("pty.rec")));
        EXPECT_GE(file.size(), 12 + 3 * 25);
        EXPECT_EQ((file.size() - 12) % 25, 0);
    }

    sim.terminate();
    sim.waitForFinished(3000);
    QDir::setCurrent(previous);
    ResetShared();
}

} // namespace
