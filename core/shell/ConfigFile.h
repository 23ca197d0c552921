#pragma once

#include "AppError.h"

#include <QString>

#include <array>

// The settings by their line in Chat.cfg.
namespace cfg
{
enum Line : int {
    FontColor = 1,
    BGColor,
    AlphaBlend,
    AlphaBlendValue,
    ShowMainWND,
    PlaySndOnRcv,
    ShowMsgTime,
    ShowIP,
    RedrawUsrWnd,
    ShowPrivateWND,
    PlaySndOnPrivateRcv,
    AutoLogon,
    SavedNick,
    StartMinimized,
    Skin,
    IgnUsrClr,
    IncommingMsgClr,
    SelectHistoryClr,
    IncClr,
    OutClr,
    SysClr,
    AutoRun,
    ChangeIP,
    BroadcastIP,
    ChangePort,
    MainPort,
    PrivatePort,
    SystemPort
};
} // namespace cfg

// A save of a settings file that failed, the old file left whole: the file's name and the
// system's error number, for the window to word.
class EConfigSaveError final : public AppError
{
public:
    EConfigSaveError(const QString &fileName, int error);
    const QString &fileName() const noexcept { return m_fileName; }
    int error() const noexcept { return m_error; }

private:
    QString m_fileName;
    int m_error;
};

// The 28 positional lines of Chat.cfg in memory. A setting is known by its line number
// (1 to 28); the key text before "=" is never compared on reading.
class ConfigLines final
{
public:
    static constexpr int LineCount = 28;

    // Fills the entries from the file. A file that cannot be opened or read throws
    // EInOutError with the runtime's text ("File not found", ...) and leaves every entry
    // that was not read empty.
    void Load(const QString &path);
    // Fills the entries from the file's bytes.
    void Parse(const QByteArray &content);
    // The value part of line N (everything after its first "="); the entry keeps only it.
    QString ValueOf(int line);
    // The file's bytes: every entry followed by CR LF, in code page 1251.
    QByteArray Content() const;
    // Writes Content() atomically: a failed write (a full disk included) leaves the old file
    // whole. Throws EConfigSaveError on failure.
    void Save(const QString &path) const;

    QString &operator[](int line) { return m_lines[size_t(line - 1)]; }
    const QString &operator[](int line) const { return m_lines[size_t(line - 1)]; }
    // Line N as the file held it, before any value was taken from it.
    const QString &Loaded(int line) const { return m_loaded[size_t(line - 1)]; }
    // Whether the start-up sequence has taken line N into its control.
    bool Applied(int line) const { return m_applied[size_t(line - 1)]; }
    void SetApplied(int line) { m_applied[size_t(line - 1)] = true; }

    // "Key=value": the key texts, in line order.
    static QString Key(int line);
    // The line of a key text; 0 for a text that is no key.
    static int LineOf(const QString &key);

private:
    std::array<QString, LineCount> m_lines;
    std::array<QString, LineCount> m_loaded;
    std::array<bool, LineCount> m_applied{};
};

// The file's bytes. Throws EInOutError with the runtime's text ("File not found", ...).
QByteArray ReadWholeFile(const QString &path);
// Writes `content` to `path` so that a failed write (a full disk included) leaves the old file
// whole. Throws EConfigSaveError naming `fileName`.
void SaveAtomically(const QString &path, const QByteArray &content, const QString &fileName);

// A switch value is on exactly when it reads "1".
inline bool SwitchOn(const QString &value)
{
    return value == QLatin1String("1");
}
