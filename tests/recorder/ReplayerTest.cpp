// Replay on the virtual clock: playing to the end, jumps typed and by the
// track bar, files longer than one window, and files that go bad.
#include "RecorderRig.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ReplayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Timer.OnTimer = [this] { Replay.Timer1Timer(); };
        View.Edits = {1, 2};
    }
    QString Path(const char *name) const { return Folder.filePath(QString::fromLatin1(name)); }
    // A file of `count` records, slot 0 at station 1 counting up in tenths,
    // slot 1 at station 2 constant.
    bool Load(int count, std::array<std::uint8_t, RecorderSlotCount> addresses = {1, 2}, int droppedFrom = -1)
    {
        RecordBuilder file(addresses);
        for (int i = 0; i < count; ++i)
            file.Add({i % 500, i >= droppedFrom && droppedFrom >= 0 ? DroppedMarker : 240}, 10, i / 60 % 60, i % 60);
        if (!file.Write(Path("replay.rec")))
            return false;
        RecordFile::Header header;
        return Replay.Load(Path("replay.rec"), header);
    }
    void Type(const char *text, bool enter)
    {
        View.Position = QString::fromLatin1(text);
        Replay.LoopCntKeyUp(enter);
    }

    QTemporaryDir Folder;
    VirtualClock Clock;
    ClockTimer Timer{Clock};
    ChartRig Chart;
    FakeReplayView View;
    Replayer Replay{Chart.State, *Chart.ChartData, Chart.Chart, Timer, View};
};

TEST_F(ReplayerTest, HundredRecordsPlayAndStopByThemselves)
{
    ASSERT_TRUE(Load(100));
    EXPECT_EQ(Replay.RecordTotal(), 100);
    Replay.Play();
    EXPECT_EQ(View.States.back(), ReplayPlaying);
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_EQ(Timer.Interval(), 20);
    Clock.Advance(99 * 20);
    EXPECT_EQ(Chart.State.SampleCount, 99);
    EXPECT_TRUE(Chart.State.ReplayRunning);
    Clock.Advance(20);
    EXPECT_EQ(View.States.back(), ReplayStopped);
    EXPECT_FALSE(Timer.Enabled());
    EXPECT_FALSE(Chart.State.ReplayRunning);
    EXPECT_EQ(Chart.State.ReplayState, ReplayStopped);
    EXPECT_EQ(Chart.State.SampleCount, 0);
    EXPECT_FALSE(Chart.ChartData->ChartHasCurves);
    EXPECT_EQ(View.Position, " 0000100");
    EXPECT_EQ(View.Track, 100);
    // The last picture stays: the last record's values and time.
    EXPECT_EQ(Chart.View.Values[0], "9.9");
    EXPECT_EQ(Chart.View.Time, "10:1:39");
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[0]), 99);
    Clock.Advance(1000);
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[0]), 99);
}

TEST_F(ReplayerTest, DroppedSlotShowsErrFromItsRecordOn)
{
    ASSERT_TRUE(Load(30, {1, 2}, 10));
    Replay.Play();
    Clock.Advance(10 * 20);  // records 0 .. 9
    EXPECT_EQ(Chart.View.Values[1], "24.0");
    const int strokes = Chart.Canvas.CurveStrokes(DeviceColors[1]);
    Clock.Advance(20);  // record 10
    EXPECT_EQ(Chart.View.Values[1], "Err");
    EXPECT_EQ(Chart.State.DroppedAt[1], 10);
    Clock.Advance(10 * 20);
    EXPECT_EQ(Chart.View.Values[1], "Err");
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[1]), strokes);
    EXPECT_GT(Chart.Canvas.CurveStrokes(DeviceColors[0]), strokes);
    // Drawing the marker took nothing from the slot: a jump draws its curve
    // again up to the drop, and the end of the replay leaves it as loaded.
    const std::array<std::uint8_t, RecorderSlotCount> loaded{1, 2};
    EXPECT_EQ(Chart.State.DeviceAddress, loaded);
    Replay.Pause();
    Chart.Canvas.Strokes.clear();
    Type("25", true);
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[1]), 10);  // records 0 .. 9
    EXPECT_EQ(Chart.State.DroppedAt[1], 10);
    Replay.Play();
    Clock.Advance(10 * 20);
    EXPECT_EQ(Chart.State.DeviceAddress, loaded);
}

TEST_F(ReplayerTest, JumpIntoALongFileLoadsTheWindowAroundIt)
{
    ASSERT_TRUE(Load(5000));
    EXPECT_EQ(Replay.LoadedWindow().WindowEnd, 4096);
    Type("4500", true);
    EXPECT_EQ(Replay.LoadedWindow().WindowStart, 3780);
    EXPECT_EQ(Replay.LoadedWindow().WindowEnd, 5000);
    EXPECT_EQ(Chart.State.SampleCount, 4500);
    EXPECT_EQ(View.Position, " 0004500");
    EXPECT_EQ(View.Track, 4500);
    // Records 3780 .. 4499 are drawn, one column each.
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[0]), 720);
    EXPECT_EQ(Chart.View.Values[0], TenthsText(4499 % 500));
    EXPECT_EQ(Chart.Canvas.Fills, 1 + 1);  // the load's clear and the frame
}

TEST_F(ReplayerTest, PlayingPastAWindowLoadsTheNext)
{
    ASSERT_TRUE(Load(5000));
    Type("4090", true);
    Replay.Play();
    Clock.Advance(5 * 20);
    EXPECT_EQ(Replay.LoadedWindow().WindowStart, 0);
    Clock.Advance(2 * 20);  // record 4096
    EXPECT_EQ(Replay.LoadedWindow().WindowStart, 4096);
    EXPECT_EQ(Replay.LoadedWindow().WindowEnd, 5000);
    EXPECT_EQ(Chart.View.Values[0], TenthsText(4096 % 500));
    EXPECT_EQ(View.FileErrors, 0);
}

TEST_F(ReplayerTest, TypedJumpWaitsTwoSecondsAfterTheLastKey)
{
    ASSERT_TRUE(Load(300));
    Replay.Play();
    Clock.Advance(5 * 20);
    Replay.Pause();
    EXPECT_EQ(View.States.back(), ReplayPaused);
    EXPECT_TRUE(Chart.State.ReplayRunning);
    EXPECT_EQ(Chart.State.SampleCount, 5);
    Type(" 1", false);
    Clock.Advance(500);
    Type(" 12", false);
    Clock.Advance(500);
    Type(" 123", false);
    Clock.Advance(1999);
    EXPECT_EQ(Chart.State.SampleCount, 5);
    Clock.Advance(1);
    EXPECT_EQ(Chart.State.SampleCount, 123);
    EXPECT_FALSE(Chart.State.JumpPending);
    EXPECT_FALSE(Timer.Enabled());
    EXPECT_EQ(View.Position, " 0000123");

    Type("200", true);  // Enter: at once
    EXPECT_EQ(Chart.State.SampleCount, 200);
    // Play goes on from the jump.
    Replay.Play();
    Clock.Advance(20);
    EXPECT_EQ(Chart.State.SampleCount, 201);
}

TEST_F(ReplayerTest, KeysAreIgnoredWhilePlaying)
{
    ASSERT_TRUE(Load(300));
    Replay.Play();
    Type("250", true);
    Type("250", false);
    Replay.TrackBarChange(250);
    EXPECT_FALSE(Chart.State.JumpPending);
    Clock.Advance(3 * 20);
    EXPECT_EQ(Chart.State.SampleCount, 3);
}

TEST_F(ReplayerTest, TrackBarJumpsOneSecondAfterItStops)
{
    ASSERT_TRUE(Load(300));
    Replay.TrackBarChange(40);
    EXPECT_EQ(View.Position, " 0000040");
    Clock.Advance(600);
    Replay.TrackBarChange(80);
    Clock.Advance(999);
    EXPECT_EQ(Chart.State.SampleCount, 0);
    Clock.Advance(1);
    EXPECT_EQ(Chart.State.SampleCount, 80);
    EXPECT_EQ(Chart.Canvas.CurveStrokes(DeviceColors[0]), 80);
}

TEST_F(ReplayerTest, PlayMakesAPendingJumpFirst)
{
    ASSERT_TRUE(Load(300));
    Type("150", false);
    Replay.Play();
    EXPECT_FALSE(Chart.State.JumpPending);
    EXPECT_EQ(Chart.State.SampleCount, 150);
    Clock.Advance(20);
    EXPECT_EQ(Chart.State.SampleCount, 151);
    EXPECT_TRUE(Timer.Enabled());
}

TEST_F(ReplayerTest, PositionThatIsNoNumberIsReportedAndKept)
{
    ASSERT_TRUE(Load(300));
    Type("77", true);
    Chart.Canvas.Forget();
    Type("12a", true);
    EXPECT_EQ(View.ConversionErrors, QStringList{"'12a' is not a valid integer value"});
    EXPECT_EQ(Chart.State.SampleCount, 77);
    EXPECT_TRUE(Chart.Canvas.Strokes.empty());
    Type("", false);
    Clock.Advance(2000);
    EXPECT_EQ(View.ConversionErrors.size(), 2);
    EXPECT_FALSE(Chart.State.JumpPending);
}

TEST_F(ReplayerTest, JumpOutsideTheFileGoesBackToTheStart)
{
    ASSERT_TRUE(Load(100));
    Type("50", true);
    Chart.Canvas.Forget();
    for (const char *text : {"101", "-5", "99999999"}) {
        Type(text, true);
        EXPECT_EQ(Chart.State.SampleCount, 0) << text;
        EXPECT_EQ(View.Position, " 0000000") << text;
        EXPECT_EQ(View.Track, 0) << text;
    }
    EXPECT_TRUE(Chart.Canvas.Strokes.empty());
    Type("100", true);  // the end itself is a position
    EXPECT_EQ(Chart.State.SampleCount, 100);
    Replay.Play();
    Clock.Advance(20);
    EXPECT_EQ(View.States.back(), ReplayStopped);
    EXPECT_EQ(Chart.State.SampleCount, 0);
}

TEST_F(ReplayerTest, PlayWithoutCurvesLeavesTheClockAlone)
{
    ASSERT_TRUE(Load(100, {0, 0}));
    Replay.Play();
    EXPECT_EQ(View.States.back(), ReplayPlaying);
    EXPECT_FALSE(Timer.Enabled());
    EXPECT_FALSE(Chart.State.ReplayRunning);
}

TEST_F(ReplayerTest, StopGoesBackToTheStart)
{
    ASSERT_TRUE(Load(100));
    Replay.Play();
    Clock.Advance(10 * 20);
    Replay.Pause();
    Type("5", false);
    Replay.Stop();
    EXPECT_EQ(View.States.back(), ReplayStopped);
    EXPECT_EQ(Chart.State.SampleCount, 0);
    EXPECT_EQ(View.Position, " 00000000");
    EXPECT_FALSE(Chart.State.ReplayRunning);
    EXPECT_FALSE(Chart.State.JumpPending);
    EXPECT_FALSE(Timer.Enabled());
    // A key after Stop starts its own wait again.
    Type("30", false);
    Clock.Advance(2000);
    EXPECT_EQ(Chart.State.SampleCount, 30);
}

TEST_F(ReplayerTest, FileThatShrinksWhilePlayingIsRefused)
{
    ASSERT_TRUE(Load(5000));
    Type("4090", true);
    ASSERT_TRUE(QFile::resize(Path("replay.rec"), 12 + 25 * 4100));
    Replay.Play();
    Clock.Advance(20 * 20);
    EXPECT_EQ(View.FileErrors, 1);
    EXPECT_EQ(View.States.back(), ReplayStopped);
    EXPECT_FALSE(Timer.Enabled());
    EXPECT_FALSE(Chart.State.ReplayRunning);
    EXPECT_EQ(Chart.State.SampleCount, 0);
}

TEST_F(ReplayerTest, UnreadableFileIsNotLoaded)
{
    RecordFile::Header header;
    EXPECT_FALSE(Replay.Load(Path("missing.rec"), header));
    QFile file(Path("short.rec"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("abcde");
    file.close();
    EXPECT_FALSE(Replay.Load(Path("short.rec"), header));
    EXPECT_EQ(View.FileErrors, 2);

    ASSERT_TRUE(RecordBuilder().Write(Path("empty.rec")));
    ASSERT_TRUE(Replay.Load(Path("empty.rec"), header));
    EXPECT_EQ(Replay.RecordTotal(), 0);
    Replay.Play();
    Clock.Advance(100);
    EXPECT_EQ(View.States.back(), ReplayStopped);
    EXPECT_EQ(View.FileErrors, 2);
}

} // namespace
