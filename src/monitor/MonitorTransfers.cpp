// The monitor engine's block transfers: the parameter upload into the
// buffer, the download of the buffer into the selected controller or every
// controller at once, and the ramp/soak editor's read and write. They are
// served before any poll step; each good reply or echo moves them on. A job
// keeps the controller it was started for; when the selection changes, the
// job ends, and a reply that comes for it afterwards is not its own.
#include "MonitorEngine.h"

#include "DownloadMap.h"
#include "MessageTable.h"

#include <algorithm>

namespace {

constexpr int RampStreamRegister = 0x474D;
constexpr int RampFirstRegister = 0x4767;
constexpr int RampWriteCount = 153;

} // namespace

bool MonitorEngine::TransferRunning() const
{
    return !std::holds_alternative<std::monostate>(Job) && !std::holds_alternative<PasswordJob>(Job);
}

MonitorEngine::TransferStart MonitorEngine::TransferAllowed() const
{
    if (!SelectedUsable())
        return TransferStart::NoController;
    if (!std::holds_alternative<std::monostate>(Job))
        return TransferStart::Busy;
    // A new address's controller is not known yet: its block is not the
    // one the model before would have.
    if (!Slots[static_cast<size_t>(Selected)].Identified)
        return TransferStart::UnknownModel;
    return TransferStart::Started;
}

JobTarget MonitorEngine::SelectedTarget() const
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    return JobTarget{Selected, slot.SlotAddress, slot.SlotModel, slot.FirmwareVersion};
}

MonitorEngine::Confirmed MonitorEngine::DownloadTarget() const
{
    if (!SelectedUsable())
        return Confirmed{};
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    return Confirmed{Selected, slot.SlotAddress, slot.SlotModel};
}

MonitorEngine::TransferStart MonitorEngine::UPLOAD1Click(const QString &caption)
{
    if (const TransferStart refused = TransferAllowed(); refused != TransferStart::Started)
        return refused;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel == ModelA && slot.ComWriteEnabled != 1)
        return TransferStart::WriteDisabled;
    if (slot.SlotModel != ModelA && slot.SlotModel != ModelB && slot.SlotModel != ModelC)
        return TransferStart::UnknownModel;
    UploadJob job;
    job.Target = SelectedTarget();
    // The block is read through a register of its own, whatever the user
    // writes meanwhile.
    job.BlockRegister = BlockRegisterFor(slot.SlotModel);
    job.UnlockFirst = slot.SlotModel == ModelA;
    job.Block.Start();
    StartJob(std::move(job));
    ShowProgress(caption);
    return TransferStart::Started;
}

MonitorEngine::TransferStart MonitorEngine::DOWNLOAD1Click(bool broadcast, const QString &caption,
                                                           const Confirmed &asked)
{
    if (const TransferStart refused = TransferAllowed(); refused != TransferStart::Started)
        return refused;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    // The user said yes about one controller; the polling went on while the
    // question was open, and the selection may have moved on since.
    if (asked.Slot != Selected || asked.Address != slot.SlotAddress || asked.Model != slot.SlotModel)
        return TransferStart::TargetChanged;
    if (slot.SlotModel != ModelC && slot.ComWriteEnabled != 1)
        return TransferStart::WriteDisabled;
    if (DownloadStepCount(slot.SlotModel) == 0)
        return TransferStart::UnknownModel;
    DownloadJob job;
    job.Target = SelectedTarget();
    job.Broadcast = broadcast;
    if (broadcast)
        job.Target.Station = 0;
    StartJob(std::move(job));
    ShowProgress(caption);
    return TransferStart::Started;
}

bool MonitorEngine::StartRampRead(RampTransferClient &client)
{
    if (TransferAllowed() != TransferStart::Started)
        return false;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel != ModelB && slot.SlotModel != ModelC)
        return false;  // model A keeps no programs
    RampReadJob job;
    job.Target = SelectedTarget();
    job.Client = &client;
    job.BlockRegister = BlockRegisterFor(slot.SlotModel);
    job.Parameters.Start();
    job.Steps.Start();
    StartJob(std::move(job));
    return true;
}

bool MonitorEngine::StartRampWrite(RampTransferClient &client)
{
    if (TransferAllowed() != TransferStart::Started)
        return false;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel != ModelB && slot.SlotModel != ModelC)
        return false;
    RampWriteJob job;
    job.Target = SelectedTarget();
    job.Client = &client;
    StartJob(std::move(job));
    return true;
}

void MonitorEngine::LoadBuffer(const ParameterImage &image, bool valid)
{
    Image = image;
    ImageGood = valid;
    MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = valid;
    Notify(MonitorAspect::Menus);
}

void MonitorEngine::StartJob(MonitorJob job)
{
    Job = std::move(job);
    ++Generation;
    ReplaceStaleWaitingRequest();
}

void MonitorEngine::EndJob(JobEnd how)
{
    if (std::holds_alternative<std::monostate>(Job))
        return;
    const MonitorJob ended = std::exchange(Job, MonitorJob{});
    ++Generation;
    if (std::holds_alternative<PasswordJob>(ended)) {
        RefreshSecurity();  // the display follows the controller again
        return;
    }
    if (how == JobEnd::Done)
        return;
    if (const auto *read = std::get_if<RampReadJob>(&ended))
        read->Client->RampTransferFailed();
    else if (const auto *write = std::get_if<RampWriteJob>(&ended))
        write->Client->RampTransferFailed();
    else if (ProgressVisible) {
        const QString caption = ProgressLabel;
        HideProgress();
        Viewer.TransferFailed(caption);
    }
}

std::optional<MonitorEngine::JobRequest> MonitorEngine::NextJobRequest()
{
    const auto unlock = [](const JobTarget &t) {
        return JobRequest{RequestKind::Unlock, UnlockRegister(t.Model), MonitorUnlockCode, t};
    };
    if (auto *upload = std::get_if<UploadJob>(&Job)) {
        if (upload->UnlockFirst && !upload->Unlocked)
            return unlock(upload->Target);
        return JobRequest{RequestKind::BlockRead, upload->BlockRegister, 1, upload->Target};
    }
    if (auto *read = std::get_if<RampReadJob>(&Job))
        return JobRequest{RequestKind::BlockRead, read->ReadingSteps ? RampStreamRegister : read->BlockRegister, 1,
                          read->Target};
    if (auto *download = std::get_if<DownloadJob>(&Job)) {
        if (!download->Prepared) {
            download->Prepared = PrepareDownload(download->Target.Model, download->Step, Image, download->Target.Firmware);
            if (!download->Prepared) {
                DownloadComplete();  // the steps left were all skipped
                return std::nullopt;
            }
            download->Step = download->Prepared->Step;
        }
        // Block writes go each after an unlock of its own.
        if (download->Prepared->UnlockFirst && !download->Unlocked)
            return unlock(download->Target);
        return JobRequest{RequestKind::Write, download->Prepared->Register, download->Prepared->Value, download->Target};
    }
    if (auto *write = std::get_if<RampWriteJob>(&Job))
        return JobRequest{RequestKind::Write, RampFirstRegister + write->Index,
                          write->Client->RampWriteValue(write->Index) & 0xFFFF, write->Target};
    if (auto *password = std::get_if<PasswordJob>(&Job); password && password->Value)
        return JobRequest{RequestKind::Write, password->Register, *password->Value, password->Target};
    return std::nullopt;
}

void MonitorEngine::JobConfirmed(RequestKind kind)
{
    if (auto *upload = std::get_if<UploadJob>(&Job)) {
        upload->Unlocked = upload->Unlocked || kind == RequestKind::Unlock;
        return;
    }
    if (auto *download = std::get_if<DownloadJob>(&Job)) {
        if (kind == RequestKind::Unlock) {
            download->Unlocked = true;
            return;
        }
        ++download->Written;
        download->Step = download->Prepared ? download->Prepared->NextStep : download->Step + 1;
        download->Prepared.reset();
        download->Unlocked = false;
        const int count = DownloadStepCount(download->Target.Model);
        if (download->Step < count)
            SetProgress(download->Step * 1000 / std::max(count, 1));
        else
            DownloadComplete();
        return;
    }
    if (auto *write = std::get_if<RampWriteJob>(&Job)) {
        const int written = ++write->Index;
        RampTransferClient *client = write->Client;
        if (written >= RampWriteCount)
            EndJob(JobEnd::Done);
        client->RampWriteProgress(written);
        return;
    }
    if (std::holds_alternative<PasswordJob>(Job))
        PasswordAnswered();
}

void MonitorEngine::DownloadComplete()
{
    const DownloadJob done = std::get<DownloadJob>(Job);
    EndJob(JobEnd::Done);
    HideProgress();
    RefreshRequested = true;
    Viewer.TransferFinished(done.Broadcast ? FinishedTransfer::WriteAll : FinishedTransfer::Download, done.Written,
                            done.Target.Station);
}

void MonitorEngine::JobData(int word)
{
    if (auto *upload = std::get_if<UploadJob>(&Job)) {
        ParameterUpload &block = upload->Block;
        block.Store(word);
        if (block.Received() < ParameterBlockSize)
            SetProgress(block.Progress());
        if (block.GivenUp()) {
            EndJob(JobEnd::Failed);
            return;
        }
        const std::optional<ParameterImage> image = block.Finish(upload->Target.Model, upload->Target.Firmware);
        if (!image)
            return;
        EndJob(JobEnd::Done);
        UploadComplete(*image);
        HideProgress();
        Viewer.UploadFinished();
        return;
    }
    auto *read = std::get_if<RampReadJob>(&Job);
    if (!read)
        return;
    RampTransferClient *client = read->Client;
    ParameterUpload &stream = read->ReadingSteps ? read->Steps : read->Parameters;
    stream.Store(word);
    client->RampReadProgress(read->ReadingSteps ? ParameterBlockSize : stream.Received(),
                             read->ReadingSteps ? stream.Received() : 0);
    if (stream.GivenUp()) {
        EndJob(JobEnd::Failed);
        return;
    }
    const std::optional<ParameterImage> image = stream.Finish(read->Target.Model, read->Target.Firmware);
    if (!image)
        return;
    if (!read->ReadingSteps) {
        // The program's pattern bytes are in the parameter block, which also
        // fills the buffer; the steps follow from the ramp block.
        std::copy(image->Bytes.begin(), image->Bytes.begin() + ParameterBlockSize, read->ParameterBytes.begin());
        read->ReadingSteps = true;
        UploadComplete(*image);
        return;
    }
    const std::array<std::uint8_t, ParameterBlockSize> parameters = read->ParameterBytes;
    EndJob(JobEnd::Done);
    client->RampReadDone(parameters, image->Bytes);
}

void MonitorEngine::UploadComplete(const ParameterImage &image)
{
    Image = image;
    ImageGood = true;
    MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = true;
    Notify(MonitorAspect::Menus);
}

void MonitorEngine::ShowProgress(const QString &caption)
{
    ProgressLabel = caption;
    ProgressVisible = true;
    Progress = 0;
    Notify(MonitorAspect::Transfer);
}

void MonitorEngine::SetProgress(int position)
{
    Progress = std::clamp(position, 0, 1000);
    Notify(MonitorAspect::Transfer);
}

void MonitorEngine::HideProgress()
{
    ProgressVisible = false;
    Progress = 0;
    Notify(MonitorAspect::Transfer);
}
