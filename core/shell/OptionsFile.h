#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// The options that have no line in Chat.cfg. Chat.cfg stays the 28 lines older copies read;
// everything newer lives in a file of its own beside it (apppaths::OptionsFile(), the
// portable folder or the user's XDG config folder alike).
//
// The file: one "Key=value" line per option, UTF-8, in any order. A missing file, a missing
// key or a value out of its range means the option's default. Keys this copy does not know,
// and lines that are no "Key=value", are written back as they stood, so a copy that knows
// fewer options never drops a newer copy's settings.
//
// Adding an option: declare it in `opt` below with its key and default (and range, for a
// number); read it with Get() into its control at start-up and put the control's value back
// with Set() before the file is saved at exit (app/OptionBindings.cpp).
namespace opt
{

struct Switch {
    const char *Key;
    bool Default;
};

struct Number {
    const char *Key;
    int Default;
    int Min;
    int Max;
};

struct Text {
    const char *Key;
    const char *Default;
};

// Desktop notifications for private messages and public lines naming the user's nick.
inline constexpr Switch Notifications{"Notifications", true};
// The port for sending and taking files, UDP and TCP (558, transfer::DefaultFilePort); 0 switches
// file transfer off.
inline constexpr Number FilePort{"FilePort", 558, 0, 65535};

} // namespace opt

class OptionsFile final
{
public:
    // Reads the file; a file that does not exist leaves every option at its default. Throws
    // EInOutError when the file is there but cannot be read.
    void Load(const QString &path);
    void Parse(const QByteArray &content);
    // The file's bytes: every line followed by LF.
    QByteArray Content() const;
    // Writes Content() atomically; throws EInOutError with the Russian text on failure.
    void Save(const QString &path) const;

    // A switch reads "1" or "0".
    bool Get(const opt::Switch &option) const;
    // A number reads as a decimal integer within the option's range.
    int Get(const opt::Number &option) const;
    QString Get(const opt::Text &option) const;
    void Set(const opt::Switch &option, bool on);
    void Set(const opt::Number &option, int value);
    void Set(const opt::Text &option, const QString &value);

private:
    // The value of `key`, or no value when the file has no such line.
    const QString *find(const char *key) const;
    void put(const char *key, const QString &value);

    // The lines in file order: a key and its value, or an empty key and the whole line.
    QList<std::pair<QString, QString>> m_lines;
};
