#include "MessageTable.h"

#include "Public.h"

namespace MessageTable {

const QString ModbusFaultTexts[11] = {
    QStringLiteral("illegal function !!!"),
    QStringLiteral("illegal address  !!!"),
    QStringLiteral("illegal data     !!!"),
    QStringLiteral("illegal command  !!!"),
    QStringLiteral("illegal frame    !!!"),
    QStringLiteral("too few data     !!!"),
    QStringLiteral("too many data    !!!"),
    QStringLiteral("illegal ASCII    !!!"),
    QStringLiteral("Unknow Error     !!!"),
    QStringLiteral("Unknow Command   !!!"),
    QStringLiteral("Received checksum error !!!"),
};

const QString TimeoutText = QStringLiteral("Received data time out error");
const QString FormatFaultText = QStringLiteral("Rcv format error !!!");
const QString BadFrameText = QStringLiteral(" Received data does not match");
const QString InputFaultText = QStringLiteral(" Input unstable or Device fail");
const QString EchoMismatchText = QStringLiteral("Writing data compare fail !!!");
const QString AddressNotCorrect = QStringLiteral("Address not correct");
const QString WriteErrorPrefix = QStringLiteral("Write error : ");
const QString ReadErrorPrefix = QStringLiteral(" Read error : ");

const QString ComPortInUse = QStringLiteral("COM Port In Use !!!");

const QString NoComPortExist = QStringLiteral("No COM Port Exist");
const QString DataCanNotSave = QStringLiteral("Data can not save !!! Disc full or protected.");
const QString PressedStart = QStringLiteral("Pressed Start to begin detect");
const QString AddressHeading = QStringLiteral(" Address");
const QString ProtocolHeading = QStringLiteral(" Communicate Protocol");
const QString StartCaption = QStringLiteral("START");
const QString CancelCaption = QStringLiteral("CANCEL");
const QString EstimateTimeLeft = QStringLiteral("Estimate time left : ");
const QString MinText = QStringLiteral(" min,");
const QString SecText = QStringLiteral(" sec");
const QString SearchCompleted = QStringLiteral("Search Completed,Found ");
const QString SearchAbort = QStringLiteral("Search abort,Found ");
const QString ItemsText = QStringLiteral(" items");

const QString DeviceText = QStringLiteral("DEVICE ");
const QString ActiveText = QStringLiteral(" (ACTIVE)");
const QString ConnectText = QStringLiteral("Connect");
const QString CancelText = QStringLiteral("Cancel");
const QString WaitingText = QStringLiteral("Waiting...");
const QString NoConnectText = QStringLiteral("No connect");
const QString InputErrorText = QStringLiteral("Input error");
const QString OverRangeText = QStringLiteral("Over range");
const QString MemoryFailText = QStringLiteral("Memory fail");
const QString FwVersionText = QStringLiteral("F/W Version ");
const QString NotAvailableText = QStringLiteral("N/A");
const QString Out1Text = QStringLiteral("Out1");
const QString Out2Text = QStringLiteral("Out2");
const QString HeatCoolText = QStringLiteral("Heat/Cool");
const QString ComWriteText = QStringLiteral("Com.Write");
const QString NoErrorText = QStringLiteral("No Error");
const QString WrongModelText = QStringLiteral("illegal function on wrong modle");
const QString RestoreDefaultConfirm = QStringLiteral("Will restore default setting, continue anyway ?");
const QString ClearFactoryConfirm = QStringLiteral("Will clear factory setting, continue anyway ?");
const QString EnableComWriteFirst = QStringLiteral("Please enable COM write function first");
const QString DifferentModelConfirm = QStringLiteral(
    "It is different model between buffer and download device, do you really want to process ?");
const QString ModelNameConfirm = QStringLiteral("Model Name Confirm");
const QString BroadcastConfirm = QStringLiteral(
    "All device connected to the communication will be set, do you really want to process ?");
// A controller whose model is not known yet (just connected or given a new
// address) is neither written nor transferred.
const QString NotIdentifiedYet = QStringLiteral("The controller is not identified yet: nothing was written.");
// The controller a download was confirmed for is no longer the selected one
// as it was asked about.
const QString DownloadTargetChanged =
    QStringLiteral("Nothing was written: the controller at address %1 is no longer selected as it was when asked.");
const QString UploadSuccessful = QStringLiteral(" parameters successful upload into buffer");
const QString UploadDone = QStringLiteral("Upload Done");
const QString SaveParametersDone = QStringLiteral(" save parameters to file done");
const QString ParametersLoaded = QStringLiteral(" parameters successful load");
const QString DoneText = QStringLiteral("Done");
const QString FailToSaveFile = QStringLiteral("Fail to save file");
const QString OverWriteFile = QStringLiteral("Over write file : ");
const QString ParameterFileFilter = QStringLiteral("Parameters backup files (*.par)|*.PAR");
const QString FileOpenError = QStringLiteral("Can't perform one of the following file operations: Open, Seek, Read");
const QString FileErrorCaption = QStringLiteral("File Error");
const QString BufferReadError = QStringLiteral("Can't perform one of the following file operations: Read to Buffer");
const QString BufferErrorCaption = QStringLiteral("Buffer Error");
const QString FileContentError = QStringLiteral("File data length or content error !");
const QString TransferIncomplete = QStringLiteral(" did not complete");

const QString RecorderStart = QStringLiteral("START");
const QString RecorderStop = QStringLiteral("Stop");
const QString StartHint = QStringLiteral("Start to getting data");
const QString StopHint = QStringLiteral("End of acquire data");
const QString RecordFileFilter = QStringLiteral("Record files (*.rec)|*.REC");
const QString ErrText = QStringLiteral("Err");
const QString NotValidInteger = QStringLiteral("'%1' is not a valid integer value");
const QString CsvFileFilter = QStringLiteral("CSV files (*.csv)|*.CSV");
const QString CsvTimeHeading = QStringLiteral("Time");

const QString StepMaxText = QStringLiteral("Step Max.");
const QString PatternText = QStringLiteral("Pattern ");
const QString SetValueText = QStringLiteral("Set Value ");
const QString ExecuteTimeText = QStringLiteral("Execute Time ");
const QString LoopCountText = QStringLiteral("Loop Count");
const QString LinkPatternText = QStringLiteral("Link Pattern");
const QString ProgEndText = QStringLiteral("Prog End");
const QString StepCountText = QStringLiteral("Step Count");
const QString HourText = QStringLiteral("Hour");
const QString ReadingNow = QStringLiteral("Reading Now");
const QString WritingNow = QStringLiteral("Writing Now");
const QString RampFileFilter = QStringLiteral("Ramp soak table files (*.r$s)|*.R$S");
const QString DataErrorCaption = QStringLiteral("Data Error");
const QString NoControllerSelected = QStringLiteral("No controller selected");
const QString RampTransferIncomplete = QStringLiteral("Ramp soak transfer did not complete");

QString LineHolderText(int module)
{
    switch (module) {
    case ModuleMonitor: return QStringLiteral("The monitor holds the line: close it, or press Cancel on its slots.");
    case ModuleRecorder: return QStringLiteral("The recorder holds the line: press Stop, or close it.");
    case ModuleSetup: return QStringLiteral("The link settings dialog holds the line: close it.");
    default: return QString();
    }
}

namespace {

QString Counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QString Target(int station)
{
    return station == 0 ? QStringLiteral("every controller on the line") : QStringLiteral("address %1").arg(station);
}

QString Controller(int station)
{
    return QStringLiteral("The controller at address %1").arg(station);
}

} // namespace

QString ParametersWritten(int count, int station)
{
    return Counted(count, "parameter", "parameters") + QStringLiteral(" written to ") + Target(station);
}

QString RampProgramRead(int station)
{
    const QString text = QStringLiteral("Ramp soak program read");
    return station > 0 ? text + QStringLiteral(" from address %1").arg(station) : text;
}

QString RampProgramWritten(int station)
{
    const QString text = QStringLiteral("Ramp soak program written");
    return station > 0 ? text + QStringLiteral(" to address %1").arg(station) : text;
}

QString RowsWritten(int rows, const QString &fileName)
{
    return Counted(rows, "row", "rows") + QStringLiteral(" written to ") + fileName;
}

QString RecordsSaved(int records, const QString &fileName)
{
    return Counted(records, "record", "records") + QStringLiteral(" saved in ") + fileName;
}

QString FileSaved(const QString &fileName)
{
    return QStringLiteral("Saved to ") + fileName;
}

QString FileLoaded(const QString &fileName)
{
    return QStringLiteral("Loaded from ") + fileName;
}

QString PasswordAccepted(int station)
{
    return Controller(station) + QStringLiteral(" accepted the password.");
}

QString PasswordRefused(int station, const QString &level)
{
    return Controller(station)
        + QStringLiteral(" did not accept the password; its security level is \"%1\".").arg(level);
}

QString AllLockDone(int station)
{
    return Controller(station) + QStringLiteral(" is locked.");
}

QString AllLockRefused(int station, const QString &level)
{
    return Controller(station) + QStringLiteral(" did not lock; its security level is \"%1\".").arg(level);
}

QString AllLockQuestion(int station)
{
    return QStringLiteral("Lock every parameter of the controller at address %1? Unlocking needs its password.")
        .arg(station);
}

const QString &ExceptionText(int code)
{
    switch (code) {
    case 1: return ModbusFaultTexts[0];
    case 2: return ModbusFaultTexts[1];
    case 3: return ModbusFaultTexts[2];
    case 4: return ModbusFaultTexts[3];
    case 11: return ModbusFaultTexts[4];
    case 12: return ModbusFaultTexts[5];
    case 13: return ModbusFaultTexts[6];
    case 14: return ModbusFaultTexts[7];
    default: return ModbusFaultTexts[8];
    }
}

const QString &ResultText(int resultCode)
{
    switch (resultCode) {
    case ResultTimeout: return TimeoutText;
    case ResultChecksum: return ModbusFaultTexts[10];
    case ResultBadFrame: return BadFrameText;
    case ResultInputFault: return InputFaultText;
    default: return ExceptionText(resultCode);
    }
}

} // namespace MessageTable
