#include "Public.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>

TSessionState SessionState;
TLinkSettings LinkSettings;
int ComSettingWord = 0;
bool ComPortPresent[ComPortCount] = {};
bool SettingsFileFound = false;
int LayoutWidth = 808;
QString CurrentFileName;
int CurrentFileHandle = 0;

void DecodeComSetting(int word, TLinkSettings &settings)
{
    settings.PortNumber = word >> 8;
    settings.DataBits = (word & 0x02) ? 8 : 7;
    const int baudIndex = (word >> 4) & 7;
    if (baudIndex < 5)
        settings.BaudRate = BaudRates[baudIndex];
    settings.ParityIndex = (word >> 2) & 3;
    settings.StopBits = (word & 1) + 1;
    settings.RtuMode = (word & 0x80) != 0;
}

void DecodeComSetting()
{
    DecodeComSetting(ComSettingWord, LinkSettings);
}

bool IsComPortPresent(const bool present[ComPortCount], int port)
{
    return port >= 0 && port < ComPortCount && present[port];
}

int DefaultComSettingWord(const bool present[ComPortCount])
{
    int port = 0;
    while (port < ComPortCount && !present[port])
        ++port;
    return port * 256 + 0x24;
}

int ComposeComSetting(const TLinkChoice &c)
{
    return c.PortNumber * 256 + c.BaudIndex * 16 + c.ParityIndex * 4 + c.LengthIndex * 2
        + c.StopIndex + c.FormatIndex * 128;
}

bool ReadSettingsFile(const QString &path, int &word)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    // The file holds one short decimal number; anything longer is not ours.
    const QByteArray text = file.read(64);
    file.close();

    // Like "%d": leading white space, an optional sign, digits. A number out
    // of range is refused rather than wrapped, so the word keeps its value.
    const QByteArray terminated = text + '\0';
    const char *begin = terminated.constData();
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return true;
    word = static_cast<int>(value);
    return true;
}

bool WriteSettingsFile(const QString &path, int word)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    const QByteArray text = QByteArray::number(word);
    const bool written = file.write(text) == text.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

void LoadComSettingWord(const QString &path)
{
    SettingsFileFound = ReadSettingsFile(path, ComSettingWord);
    if (!SettingsFileFound)
        ComSettingWord = DefaultComSettingWord(ComPortPresent);
}

bool StoreComSettingWord(int newWord, const QString &path)
{
    if (newWord == ComSettingWord && SettingsFileFound)
        return true;
    ComSettingWord = newWord;
    return WriteSettingsFile(path, newWord);
}
