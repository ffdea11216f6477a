// The user-visible texts that more than one control needs, quoted exactly,
// blanks included: several are meant to be joined to a number or a name.
#pragma once

#include <QString>

namespace MessageTable {

// Communication faults, index 0-10.
extern const QString ModbusFaultTexts[11];

extern const QString TimeoutText;        // "Received data time out error"
extern const QString FormatFaultText;    // "Rcv format error !!!"
extern const QString BadFrameText;       // " Received data does not match"
extern const QString InputFaultText;     // " Input unstable or Device fail"
extern const QString EchoMismatchText;   // "Writing data compare fail !!!"
extern const QString AddressNotCorrect;  // "Address not correct"
extern const QString WriteErrorPrefix;   // "Write error : "
extern const QString ReadErrorPrefix;    // " Read error : "

// Main window.
extern const QString ComPortInUse;
// Setup dialog.
extern const QString NoComPortExist;
extern const QString DataCanNotSave;
extern const QString PressedStart;
extern const QString AddressHeading;
extern const QString ProtocolHeading;
extern const QString StartCaption;
extern const QString CancelCaption;
extern const QString EstimateTimeLeft;
extern const QString MinText;
extern const QString SecText;
extern const QString SearchCompleted;
extern const QString SearchAbort;
extern const QString ItemsText;
// Monitor.
extern const QString DeviceText;
extern const QString ActiveText;
extern const QString ConnectText;
extern const QString CancelText;
extern const QString WaitingText;
extern const QString NoConnectText;
extern const QString InputErrorText;
extern const QString OverRangeText;
extern const QString MemoryFailText;
extern const QString FwVersionText;
extern const QString NotAvailableText;
extern const QString Out1Text;
extern const QString Out2Text;
extern const QString HeatCoolText;
extern const QString ComWriteText;
extern const QString NoErrorText;
extern const QString WrongModelText;
extern const QString RestoreDefaultConfirm;
extern const QString ClearFactoryConfirm;
extern const QString EnableComWriteFirst;
extern const QString DifferentModelConfirm;
extern const QString ModelNameConfirm;
extern const QString BroadcastConfirm;
extern const QString NotIdentifiedYet;
extern const QString DownloadTargetChanged;  // %1: the address
extern const QString UploadSuccessful;
extern const QString UploadDone;
extern const QString SaveParametersDone;
extern const QString ParametersLoaded;
extern const QString DoneText;
extern const QString FailToSaveFile;
extern const QString OverWriteFile;
extern const QString ParameterFileFilter;
extern const QString FileOpenError;
extern const QString FileErrorCaption;
extern const QString BufferReadError;
extern const QString BufferErrorCaption;
extern const QString FileContentError;
extern const QString TransferIncomplete;  // " did not complete", after the command's caption
// Recorder.
extern const QString RecorderStart;
extern const QString RecorderStop;
extern const QString StartHint;
extern const QString StopHint;
extern const QString RecordFileFilter;
extern const QString ErrText;          // "Err": a dropped slot's value
extern const QString NotValidInteger;  // "'%1' is not a valid integer value"
extern const QString CsvFileFilter;
extern const QString CsvTimeHeading;
// Ramp/soak editor.
extern const QString StepMaxText;
extern const QString PatternText;
extern const QString SetValueText;
extern const QString ExecuteTimeText;
extern const QString LoopCountText;
extern const QString LinkPatternText;
extern const QString ProgEndText;
extern const QString StepCountText;
extern const QString HourText;
extern const QString ReadingNow;
extern const QString WritingNow;
extern const QString RampFileFilter;
extern const QString DataErrorCaption;
extern const QString NoControllerSelected;   // "No controller selected"
extern const QString RampTransferIncomplete; // "Ramp soak transfer did not complete"

// Who holds the line (an ActiveModule value) and how to free it, shown
// under "COM Port In Use !!!".
QString LineHolderText(int module);

// How an action ended, for the window's status line. A station of 0 is
// every controller on the line (the broadcast) for the parameters, and
// unknown for the ramp/soak program.
QString ParametersWritten(int count, int station);
QString RampProgramRead(int station);
QString RampProgramWritten(int station);
QString RowsWritten(int rows, const QString &fileName);
QString RecordsSaved(int records, const QString &fileName);
QString FileSaved(const QString &fileName);
QString FileLoaded(const QString &fileName);
// After a password (or "All Lock") and the read-back of the security.
// `level` is the security level the controller reports now.
QString PasswordAccepted(int station);
QString PasswordRefused(int station, const QString &level);
QString AllLockDone(int station);
QString AllLockRefused(int station, const QString &level);
// The question before "All Lock" is written.
QString AllLockQuestion(int station);

// Text of a Modbus exception code: 1-4 and 11-14 have their own, any other
// code is "Unknow Error     !!!".
const QString &ExceptionText(int code);
// Text of a recorder ResultCode (exception codes, time-out, frame faults).
const QString &ResultText(int resultCode);

} // namespace MessageTable
