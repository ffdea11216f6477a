// Process-wide link settings and shared state of the one serial line.
// Plain global data, touched only on the user-interface thread.
#pragma once

#include "WorkFolder.h"

#include <QString>

inline constexpr int ModuleNone = 0;
inline constexpr int ModuleSetup = 2;
inline constexpr int ModuleMonitor = 3;
inline constexpr int ModuleRecorder = 4;

// Outcomes of the recorder's transactions; 1-14 are Modbus exception codes.
inline constexpr int ResultOk = 0;
inline constexpr int ResultTimeout = 15;
inline constexpr int ResultBadFrame = 30;
inline constexpr int ResultChecksum = 32;
inline constexpr int ResultInputFault = 33;

struct TSessionState {
    int ActiveModule = ModuleNone;
    int SetupTimeoutTicks = 2;
    int RecorderTimeoutTicks = 15;
    int ResultCode = ResultOk;
    int ExpectedReplyLength = 250;
};

struct TLinkSettings {
    int PortNumber = 0;
    // A word whose baud index has no rate keeps the previous rate; starting
    // from the default rate means such a word can never leave the line at 0.
    int BaudRate = 9600;
    int DataBits = 7;
    int ParityIndex = 0;
    int StopBits = 1;
    bool RtuMode = false;
};

inline constexpr int ComPortCount = 13;  // indices 0-12

extern TSessionState SessionState;
extern TLinkSettings LinkSettings;
extern int ComSettingWord;
extern bool ComPortPresent[ComPortCount];
extern bool SettingsFileFound;
extern int LayoutWidth;
extern QString CurrentFileName;
extern int CurrentFileHandle;

inline constexpr const char *SettingsFileName = "SETQM.$$$";

// Baud rates by the word's baud index 0-4.
inline constexpr int BaudRates[5] = {2400, 4800, 9600, 19200, 38400};

// Unpacks a word into link settings; the rate stays as it was for index 5-7.
void DecodeComSetting(int word, TLinkSettings &settings);
void DecodeComSetting();  // ComSettingWord into LinkSettings

// Lowest present port (13 when none) with 9600 baud, 7E1, ASCII.
int DefaultComSettingWord(const bool present[ComPortCount]);

bool IsComPortPresent(const bool present[ComPortCount], int port);

struct TLinkChoice {
    int PortNumber = 0;
    int BaudIndex = 0;    // "2400bps" .. "38400bps"
    int ParityIndex = 0;  // "None", "Even", "Odd"
    int LengthIndex = 0;  // "7 Bits", "8 Bits"
    int StopIndex = 0;    // "1 Bit", "2 Bits"
    int FormatIndex = 0;  // "ASCII", "RTU"
};
int ComposeComSetting(const TLinkChoice &choice);

// Reads the settings file. Returns false when it cannot be opened; when it
// holds no usable integer, word keeps its value.
bool ReadSettingsFile(const QString &path, int &word);
// Writes the word as "%d" text without line end. False when the file could
// not be created or written.
bool WriteSettingsFile(const QString &path, int word);

// The start-of-activation step: read the file or fall back to the default.
// Sets SettingsFileFound and ComSettingWord; the caller decodes.
void LoadComSettingWord(const QString &path = WorkFolder::Path(QString::fromLatin1(SettingsFileName)));

// The OK step of the settings dialog: stores the new word and writes the file
// when it differs or no file was read. False when the write failed.
bool StoreComSettingWord(int newWord, const QString &path = WorkFolder::Path(QString::fromLatin1(SettingsFileName)));
