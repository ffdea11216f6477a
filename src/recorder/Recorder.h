// "Recorder Program": samples the process values of up to ten controllers
// over the main window's recorder link, draws them as a scrolling trend,
// saves them to record files and replays and exports those files. The
// window owns the controls and hands every event to the plain engines
// (Sampler, TrendChart, Replayer), rendering what they decide.
#pragma once

#include "ClockTimer.h"
#include "FileDialogs.h"
#include "Links.h"
#include "Replayer.h"
#include "Sampler.h"
#include "SamplerLink.h"
#include "TrendChart.h"

#include <QDialog>

#include <array>
#include <memory>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QStatusBar;
class QToolButton;
class QWidget;
class TRecdIme;

class TPRecord : public QDialog, private SamplerView, private ReplayView, private ChartView {
    Q_OBJECT
public:
    explicit TPRecord(RecorderLink &link, QWidget *parent = nullptr, EventClock &clock = DefaultClock());
    ~TPRecord() override;

    // Event handlers.
    void FormShow();
    void FormClose();
    void ExitBt3Click();
    void StartBtClick();
    void Timer1Timer();
    void SampleTimeChange();
    void DevicePL0Click(int slot);
    void DisplayMdChange();
    void BGColorChange();
    void SaveBtClick();
    void RePlayBtClick();
    enum class PlayButton { Play, Pause, Stop };
    void PlayBtClick(PlayButton button);
    void LoopCntKeyUp(int key);
    void TrackBarChange();
    void CsvBtClick();

    // Tests answer the file dialogs and questions themselves.
    void SetFileDialogs(FileDialogs dialogs) { Dialogs = std::move(dialogs); }
    Sampler &Sampling() { return *SamplerEngine; }
    Replayer &Replay() { return *ReplayEngine; }
    TrendChart &Chart() { return *Trend; }
    ClockTimer &Timer() { return Timer1; }

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *BuildToolBar();
    QWidget *BuildControlRow();
    QWidget *BuildAddressPanel();
    void ApplyGeometry();
    std::array<int, RecorderSlotCount> TypedAddresses() const;
    void PlaceSampleEdit();

    // SamplerView
    void ShowRecording(bool recording) override;
    void ShowSlotLook(int slot, SlotLook look) override;
    void ShowCounter(const QString &text) override;
    void ShowFaultLine(const QString &text) override;
    bool ConfirmOverwrite(const QString &fileName) override;
    void ShowSavingDisarmed() override;
    void ShowFailure(const QString &text) override;
    // ReplayView
    void ShowReplayState(TReplayState state) override;
    void ShowPositionText(const QString &text) override;
    void ShowTrackPosition(int position) override;
    QString PositionText() const override;
    std::array<int, RecorderSlotCount> AddressEdits() const override { return TypedAddresses(); }
    void ShowFileError() override;
    void ShowConversionError(const QString &text) override;
    // ChartView (and ReplayView's sample time)
    void ShowValue(int slot, const QString &text) override;
    void ShowSampleTime(const QString &text) override;
    QString MaxScaleText() const override;
    QString MinScaleText() const override;
    void ShowScaleTexts(const QString &max, const QString &min) override;
    void ShowAutoScale() override;

    ClockTimer Timer1;
    std::unique_ptr<SamplerLink> Link;
    std::unique_ptr<TrendChart> Trend;
    std::unique_ptr<Sampler> SamplerEngine;
    std::unique_ptr<Replayer> ReplayEngine;
    FileDialogs Dialogs;
    bool Closed = false;

    QToolButton *SaveBt = nullptr;
    QToolButton *RePlayBt = nullptr;
    QToolButton *ExitBt3 = nullptr;
    QFrame *BackGndP = nullptr;
    QPushButton *StartBt = nullptr;
    QLabel *ExecCntLb = nullptr;
    QLineEdit *LoopCnt = nullptr;
    QGroupBox *PSampleTime = nullptr;
    QSpinBox *SampleTime = nullptr;
    QLabel *SecPl = nullptr;
    QLineEdit *SampleEdit = nullptr;
    QWidget *ComAddrPL = nullptr;
    std::array<QSpinBox *, RecorderSlotCount> ComAddr{};
    std::array<QLineEdit *, RecorderSlotCount> PV{};
    std::array<QPushButton *, RecorderSlotCount> DevicePL{};
    QLabel *ErrMess = nullptr;
    QStatusBar *StatusLine = nullptr;  // how the last action ended
    bool RecordingShown = false;
    TRecdIme *RecdIme = nullptr;
    QGroupBox *DisplayPL = nullptr;
    QComboBox *DisplayMd = nullptr;
    QGroupBox *MaxPL = nullptr;
    QLineEdit *MaxScale = nullptr;
    QGroupBox *MinPL = nullptr;
    QLineEdit *MinScale = nullptr;
    QGroupBox *BGColorPL = nullptr;
    QComboBox *BGColor = nullptr;
    QFrame *PlayPL = nullptr;
    QToolButton *PlayBt = nullptr;
    QToolButton *PauseBt = nullptr;
    QToolButton *StopBt = nullptr;
    QSlider *TrackBar = nullptr;
    QPushButton *CsvBt = nullptr;
};

extern TPRecord *PRecord;
