// One controller through the monitor's engine, as the monitor window has
// it with one slot connected and selected: identified, polled, its page
// read; writes, parameter transfers and ramp/soak transfers go through the
// engine's own commands. What the window would show, the commands print.
#pragma once

#include "CliSupport.h"
#include "MonitorEngine.h"
#include "RampTransfer.h"

#include <QString>

#include <array>
#include <memory>
#include <optional>

namespace Cli {

class ControllerSession : public MonitorView, public RampTransferClient {
public:
    // Connects slot 0 to `address` and waits until the controller is
    // identified, its status polled and its page read; fails with the
    // engine's message when it does not answer.
    ControllerSession(Line &line, int address);
    ~ControllerSession() override;

    MonitorEngine &Engine() { return *Monitor; }
    const MonitorSlot &Slot() const { return Monitor->Slot(0); }
    int Address() const { return Station; }

    // A write of the page (a typed value or a list choice), started by
    // `start`; fails unless the controller echoed it. Returns once the page
    // has been read again.
    void Write(const std::function<void()> &start);
    // UPLOAD into the buffer.
    void Upload();
    // WRITE TO SELECTED DEVICE, or WRITE TO ALL CONNECTED DEVICE.
    void Download(bool broadcast);
    // The ramp/soak program: read into `parameters` and `ramp`, or written
    // from the 153 words of `words`.
    void ReadRamp(std::array<std::uint8_t, 256> &parameters, std::array<std::uint8_t, 260> &ramp);
    void WriteRamp(const std::array<int, 153> &words);

    // MonitorView
    void Changed(unsigned aspects) override;
    void ShowLineFault(const QString &text) override;
    void CloseWindow() override {}
    void ClearTrend(int) override {}
    void UploadFinished() override { Ended = true; }
    void TransferFailed(const QString &caption) override;
    // The command line never changes a security level: no question is open.
    void AskPassword() override { Monitor->PasswordEntered(std::nullopt); }
    void TransferFinished(FinishedTransfer job, int count, int station) override;
    void WriteFinished(bool confirmed) override;

    // RampTransferClient
    void RampReadProgress(int parameterPairs, int rampPairs) override;
    void RampReadDone(const std::array<std::uint8_t, 256> &parameterBlock,
                      const std::array<std::uint8_t, 260> &rampImage) override;
    int RampWriteValue(int index) override;
    void RampWriteProgress(int written) override;
    void RampTransferFailed() override;

private:
    // Waits for `done`; fails when the line failed, the controller was
    // dropped (four failed transactions in a row) or a job failed.
    void Await(const std::function<bool()> &done, const QString &what);
    // A job named `what` (for its progress and failures) is about to start;
    // then how its start went.
    void Begin(const QString &what);
    void Started(MonitorEngine::TransferStart start);

    Line &Link;
    int Station;
    std::unique_ptr<MonitorEngine> Monitor;
    QString LineFault;
    QString JobFault;  // set when a job ended without success
    bool Ended = false;
    std::optional<bool> WriteConfirmed;
    Progress Shown;
    QString ProgressCaption;
    std::array<std::uint8_t, 256> *RampParameters = nullptr;
    std::array<std::uint8_t, 260> *RampImage = nullptr;
    const std::array<int, 153> *RampWords = nullptr;
};

} // namespace Cli
