// The monitor engine's block transfers: the parameter upload into the
// buffer, the download of the buffer into the selected controller or every
// controller at once, and the ramp/soak editor's read and write. They are
// served before any poll step; each good reply or echo moves them on.
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
    return UploadStarted || UploadRunning || RampReadRequested || RampReadRunning || Downloading || RampWriting;
}

MonitorEngine::TransferStart MonitorEngine::TransferAllowed() const
{
    if (Active == 0 || Selected == NoSlot || !Slots[static_cast<size_t>(Selected)].SlotConnected)
        return TransferStart::NoController;
    if (TransferRunning())
        return TransferStart::Busy;
    return TransferStart::Started;
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
    Upload.Start();
    RampClient = nullptr;
    ProgressLabel = caption;
    ProgressVisible = true;
    Progress = 0;
    UploadStarted = true;
    UploadRunning = false;
    // The block is read through a register of its own, whatever the user
    // writes meanwhile.
    BlockRegister = BlockRegisterFor(slot.SlotModel);
    if (slot.SlotModel == ModelA)
        UnlockPending = true;
    Notify(MonitorAspect::Transfer);
    return TransferStart::Started;
}

MonitorEngine::TransferStart MonitorEngine::DOWNLOAD1Click(bool broadcast, const QString &caption)
{
    if (const TransferStart refused = TransferAllowed(); refused != TransferStart::Started)
        return refused;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel != ModelC && slot.ComWriteEnabled != 1)
        return TransferStart::WriteDisabled;
    if (DownloadStepCount(slot.SlotModel) == 0)
        return TransferStart::UnknownModel;
    Downloading = true;
    Broadcasting = broadcast;
    DownloadStep = 0;
    DownloadWritten = 0;
    ProgressLabel = caption;
    ProgressVisible = true;
    Progress = 0;
    Notify(MonitorAspect::Transfer);
    return TransferStart::Started;
}

bool MonitorEngine::StartRampRead(RampTransferClient &client)
{
    if (TransferAllowed() != TransferStart::Started)
        return false;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel != ModelB && slot.SlotModel != ModelC)
        return false;  // model A keeps no programs
    RampClient = &client;
    Upload.Start();
    RampUpload.Start();
    BlockRegister = BlockRegisterFor(slot.SlotModel);
    UploadStarted = true;
    UploadRunning = false;
    RampReadRequested = true;
    return true;
}

bool MonitorEngine::StartRampWrite(RampTransferClient &client)
{
    if (TransferAllowed() != TransferStart::Started)
        return false;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (slot.SlotModel != ModelB && slot.SlotModel != ModelC)
        return false;
    RampClient = &client;
    RampWriting = true;
    RampWriteIndex = 0;
    return true;
}

void MonitorEngine::LoadBuffer(const ParameterImage &image, bool valid)
{
    Image = image;
    ImageGood = valid;
    MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = valid;
    Notify(MonitorAspect::Menus);
}

void MonitorEngine::PrepareTransferWrite()
{
    if (WritePending || UnlockPending)
        return;  // the write of this step is out already
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (Downloading) {
        const std::optional<DownloadWrite> w = PrepareDownload(slot.SlotModel, DownloadStep, Image, slot.FirmwareVersion);
        if (!w) {
            // The steps left were all skipped.
            FinishDownload();
            return;
        }
        DownloadStep = w->Step;
        DownloadNext = w->NextStep;
        // Block writes go each after an unlock of its own.
        if (w->UnlockFirst && !UnlockDone) {
            UnlockPending = true;
            return;
        }
        WriteRegister = w->Register;
        WriteValue = w->Value;
        WritePending = true;
    } else if (RampWriting && RampClient) {
        WriteRegister = RampFirstRegister + RampWriteIndex;
        WriteValue = RampClient->RampWriteValue(RampWriteIndex) & 0xFFFF;
        WritePending = true;
    }
}

void MonitorEngine::WriteConfirmed()
{
    if (Current.Kind == RequestKind::Unlock) {
        UnlockPending = false;
        UnlockDone = true;
        return;
    }
    if (Current.Kind != RequestKind::Write)
        return;
    WritePending = false;
    if (Downloading) {
        ++DownloadWritten;
        DownloadStep = DownloadNext;
        const int count = DownloadStepCount(Slots[static_cast<size_t>(Selected)].SlotModel);
        if (DownloadStep < count) {
            SetProgress(DownloadStep * 1000 / std::max(count, 1));
            return;
        }
        FinishDownload();
        return;
    }
    if (RampWriting) {
        ++RampWriteIndex;
        RampTransferClient *client = RampClient;
        if (RampWriteIndex >= RampWriteCount) {
            RampWriting = false;
            RampClient = nullptr;
        }
        if (client)
            client->RampWriteProgress(RampWriteIndex);
        return;
    }
    RefreshRequested = true;
}

void MonitorEngine::StoreParameterPair(int word)
{
    Upload.Store(word);
    if (RampClient)
        RampClient->RampReadProgress(Upload.Received(), 0);
    else if (Upload.Received() < ParameterBlockSize)
        SetProgress(Upload.Progress());
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    if (Upload.GivenUp()) {
        EndTransfers(true);
        return;
    }
    const std::optional<ParameterImage> image = Upload.Finish(slot.SlotModel, slot.FirmwareVersion);
    if (!image)
        return;
    UploadStarted = UploadRunning = false;
    Image = *image;
    ImageGood = true;
    MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = true;
    Notify(MonitorAspect::Menus);
    if (RampClient) {
        // The program's pattern bytes are in the parameter block; the steps
        // follow from the ramp block.
        std::copy(Image.Bytes.begin(), Image.Bytes.begin() + ParameterBlockSize, RampParameters.begin());
        RampReadRequested = false;
        RampReadRunning = true;
        return;
    }
    HideProgress();
    Viewer.UploadFinished();
}

void MonitorEngine::StoreRampPair(int word)
{
    RampUpload.Store(word);
    if (RampClient)
        RampClient->RampReadProgress(ParameterBlockSize, RampUpload.Received());
    if (RampUpload.GivenUp()) {
        EndTransfers(true);
        return;
    }
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    const std::optional<ParameterImage> ramp = RampUpload.Finish(slot.SlotModel, slot.FirmwareVersion);
    if (!ramp)
        return;
    RampReadRunning = false;
    RampTransferClient *client = RampClient;
    RampClient = nullptr;
    if (client)
        client->RampReadDone(RampParameters, ramp->Bytes);
}

void MonitorEngine::FinishDownload()
{
    const bool broadcast = Broadcasting;
    Downloading = Broadcasting = false;
    HideProgress();
    RefreshRequested = true;
    Viewer.TransferFinished(broadcast ? FinishedTransfer::WriteAll : FinishedTransfer::Download, DownloadWritten,
                            broadcast ? 0 : Slots[static_cast<size_t>(Selected)].SlotAddress);
}

void MonitorEngine::EndTransfers(bool failed)
{
    const bool monitorTransfer = UploadStarted || UploadRunning || Downloading;
    RampTransferClient *client = RampClient;
    UploadStarted = UploadRunning = RampReadRequested = RampReadRunning = false;
    Downloading = Broadcasting = RampWriting = false;
    RampClient = nullptr;
    PasswordWrite = false;
    if (!failed)
        return;
    if (client)
        client->RampTransferFailed();
    if (monitorTransfer && ProgressVisible) {
        const QString caption = ProgressLabel;
        HideProgress();
        Viewer.TransferFailed(caption);
    }
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
