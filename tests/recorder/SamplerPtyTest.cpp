// One recording over a real pseudo-terminal served by qmvsim, with the
// program's own serial line code and the real clock: the demo bus's first
// two controllers on the default link, half-second samples, saved.
#include "QtSerialLine.h"
#include "RecorderRig.h"
#include "SimOnPty.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(SamplerPtyTest, RecordsTwoControllersOverAPseudoTerminal)
{
    SimOnPty sim;
    ASSERT_TRUE(sim.Valid());
    ASSERT_TRUE(sim.Start({QStringLiteral("address=1,model=A"), QStringLiteral("address=2,model=B")}));
    ResetShared();

    {
        SamplerRig rig(DefaultClock(), QtSerialLineFactory());
        rig.State() = TRecorderState{};
        rig.State().SaveArmed = true;
        rig.State().RecordFilePath = sim.Path(QStringLiteral("pty.rec"));
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
        const QByteArray file = ReadAll(sim.Path(QStringLiteral("pty.rec")));
        EXPECT_GE(file.size(), 12 + 3 * 25);
        EXPECT_EQ((file.size() - 12) % 25, 0);
    }

    ResetShared();
}

} // namespace
