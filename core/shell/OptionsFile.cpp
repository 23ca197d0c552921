#include "OptionsFile.h"

#include "ConfigFile.h"

#include <QFileInfo>

void OptionsFile::Load(const QString &path)
{
    m_lines.clear();
    if (QFileInfo::exists(path))
        Parse(ReadWholeFile(path));
}

void OptionsFile::Parse(const QByteArray &content)
{
    m_lines.clear();
    const QString text = QString::fromUtf8(content);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            m_lines.append({line.left(eq).trimmed().toString(), line.mid(eq + 1).toString()});
        else if (!line.isEmpty())
            m_lines.append({QString(), line.toString()});
    }
}

QByteArray OptionsFile::Content() const
{
    QString text;
    for (const auto &[key, value] : m_lines) {
        if (!key.isEmpty())
            text += key + u'=';
        text += value + u'\n';
    }
    return text.toUtf8();
}

void OptionsFile::Save(const QString &path) const
{
    SaveAtomically(path, Content(), QFileInfo(path).fileName());
}

bool OptionsFile::Get(const opt::Switch &option) const
{
    const QString *value = find(option.Key);
    if (value && (*value == u"1" || *value == u"0"))
        return *value == u"1";
    return option.Default;
}

int OptionsFile::Get(const opt::Number &option) const
{
    const QString *value = find(option.Key);
    bool ok = false;
    const int number = value ? value->trimmed().toInt(&ok, 10) : 0;
    return ok && number >= option.Min && number <= option.Max ? number : option.Default;
}

QString OptionsFile::Get(const opt::Text &option) const
{
    const QString *value = find(option.Key);
    return value ? *value : QString::fromUtf8(option.Default);
}

void OptionsFile::Set(const opt::Switch &option, bool on)
{
    put(option.Key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void OptionsFile::Set(const opt::Number &option, int value)
{
    put(option.Key, QString::number(value));
}

void OptionsFile::Set(const opt::Text &option, const QString &value)
{
    // One line per option: a line break would start a line of its own.
    QString line = value;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    put(option.Key, line);
}

const QString *OptionsFile::find(const char *key) const
{
    const QString name = QString::fromLatin1(key);
    for (const auto &[lineKey, value] : m_lines)
        if (lineKey == name)
            return &value;
    return nullptr;
}

void OptionsFile::put(const char *key, const QString &value)
{
    const QString name = QString::fromLatin1(key);
    for (auto &[lineKey, lineValue] : m_lines) {
        if (lineKey == name) {
            lineValue = value;
            return;
        }
    }
    m_lines.append({name, value});
}
