#include "ThemeFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace
{

const QString StyleSheetHeader = QStringLiteral("[StyleSheet]");

[[noreturn]] void reject(const QString &source, const QString &reason, int line = 0)
{
    const QString where = line > 0 ? QStringLiteral(" (line %1)").arg(line) : QString();
    throw EThemeFileError(
        QStringLiteral("Invalid theme file \"%1\"%2: %3").arg(source, where, reason));
}

// Checks that the braces of a style sheet pair up outside comments and strings.
void checkStyleSheet(const QString &sheet, int firstLine, const QString &source)
{
    int line = firstLine;
    int openLine = 0;
    int depth = 0;
    int commentLine = 0;
    QChar quote;
    int quoteLine = 0;
    for (qsizetype i = 0; i < sheet.size(); ++i) {
        const QChar c = sheet.at(i);
        const QChar next = i + 1 < sheet.size() ? sheet.at(i + 1) : QChar();
        if (c == u'\n')
            ++line;
        if (commentLine > 0) {
            if (c == u'*' && next == u'/') {
                commentLine = 0;
                ++i;
            }
            continue;
        }
        if (!quote.isNull()) {
            if (c == u'\\')
                ++i;
            else if (c == quote)
                quote = QChar();
            else if (c == u'\n')
                reject(source, QStringLiteral("a string in the style sheet is not closed"),
                       quoteLine);
            continue;
        }
        if (c == u'/' && next == u'*') {
            commentLine = line;
            ++i;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            quoteLine = line;
        } else if (c == u'{') {
            if (depth == 0)
                openLine = line;
            ++depth;
        } else if (c == u'}') {
            if (depth == 0)
                reject(source, QStringLiteral("\"}\" without a matching \"{\" in the style sheet"),
                       line);
            --depth;
        }
    }
    if (commentLine > 0)
        reject(source, QStringLiteral("a comment in the style sheet is not closed"), commentLine);
    if (!quote.isNull())
        reject(source, QStringLiteral("a string in the style sheet is not closed"), quoteLine);
    if (depth > 0)
        reject(source, QStringLiteral("\"{\" is not closed in the style sheet"), openLine);
}

// The style sheet with every comment and string blanked out, line breaks kept, so that what
// is left is selectors, property names and plain values.
QString withoutCommentsAndStrings(const QString &sheet)
{
    QString bare = sheet;
    bool comment = false;
    QChar quote;
    for (qsizetype i = 0; i < bare.size(); ++i) {
        const QChar c = bare.at(i);
        const QChar next = i + 1 < bare.size() ? bare.at(i + 1) : QChar();
        const bool opensComment = quote.isNull() && !comment && c == u'/' && next == u'*';
        const bool closesComment = comment && c == u'*' && next == u'/';
        if (opensComment || closesComment) {
            comment = opensComment;
            bare[i] = bare[i + 1] = u' ';
            ++i;
            continue;
        }
        const bool inString = !quote.isNull();
        if (!comment && !inString && (c == u'"' || c == u'\''))
            quote = c;
        else if (inString && c == quote)
            quote = QChar();
        if ((comment || inString || !quote.isNull()) && c != u'\n')
            bare[i] = u' ';
        if (inString && c == u'\\' && next != u'\n' && i + 1 < bare.size())
            bare[++i] = u' '; // the escaped character
    }
    return bare;
}

// Refuses what would let a theme change the texts of the controls or how they are shown:
// property assignments other than the link colours, the style hints that change shown text,
// and escapes that could spell either.
void checkDeclarations(const QString &sheet, int firstLine, const QString &source)
{
    static const QRegularExpression refused(
        QStringLiteral("(qproperty-[A-Za-z0-9_-]*|lineedit-password-character|"
                       "lineedit-password-mask-delay|messagebox-text-interaction-flags|\\\\)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString bare = withoutCommentsAndStrings(sheet);
    for (auto it = refused.globalMatch(bare); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString what = match.captured(1);
        if (ThemeSheetProperties().contains(what.mid(10)) &&
            what.startsWith(QLatin1String("qproperty-")))
            continue;
        const int line = firstLine + int(bare.left(match.capturedStart()).count(u'\n'));
        if (what == QLatin1String("\\"))
            reject(source, QStringLiteral("escapes are not allowed in the style sheet"), line);
        reject(source,
               QStringLiteral("\"%1\" is not allowed: a theme cannot change the texts of the "
                              "controls")
                   .arg(what),
               line);
    }
}

QColor parseColour(const QString &value)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!pattern.match(value).hasMatch())
        return {};
    return QColor::fromString(value);
}

} // namespace

ThemeFile ParseThemeFile(const QByteArray &bytes, const QString &source)
{
    if (bytes.size() > MaxThemeFileSize)
        reject(source, QStringLiteral("the file is larger than 1 MB"));
    if (bytes.trimmed().isEmpty())
        reject(source, QStringLiteral("the file is empty"));

    // The signature first, so a file of another kind is named as such.
    QByteArray signature = bytes.left(bytes.indexOf('\n'));
    if (signature.startsWith("\xEF\xBB\xBF"))
        signature.remove(0, 3);
    const QList<QByteArray> words = signature.simplified().split(' ');
    if (words.size() != 2 || words[0] != ThemeSignature)
        reject(source,
               QStringLiteral("the first line must be \"%1 %2\"")
                   .arg(QLatin1String(ThemeSignature))
                   .arg(ThemeFormatVersion),
               1);
    if (words[1] != QByteArray::number(ThemeFormatVersion))
        reject(source,
               QStringLiteral("format version \"%1\" is not supported, only %2")
                   .arg(QString::fromUtf8(words[1]))
                   .arg(ThemeFormatVersion),
               1);

    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        reject(source, QStringLiteral("the file is not UTF-8 text"));
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }

    ThemeFile theme;
    QStringList seen;
    qsizetype index = 1;
    for (; index < lines.size(); ++index) {
        const int number = int(index) + 1;
        const QString line = lines[index].trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line == StyleSheetHeader)
            break;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            reject(source, QStringLiteral("\"%1\" is not a Key=Value line").arg(line), number);
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (seen.contains(key))
            reject(source, QStringLiteral("the key \"%1\" is given twice").arg(key), number);
        seen.append(key);
        if (key == QLatin1String("Name")) {
            if (value.isEmpty())
                reject(source, QStringLiteral("Name must not be empty"), number);
            theme.name = value;
        } else if (key == QLatin1String("Author")) {
            theme.author = value;
        } else if (key == QLatin1String("Description")) {
            theme.description = value;
        } else if (key == QLatin1String("FrameColor")) {
            theme.frameColor = parseColour(value);
            if (!theme.frameColor.isValid())
                reject(source,
                       QStringLiteral("FrameColor \"%1\" is not a colour written as #RRGGBB")
                           .arg(value),
                       number);
        } else {
            reject(source, QStringLiteral("unknown key \"%1\"").arg(key), number);
        }
    }
    for (const char *required : {"Name", "FrameColor"}) {
        if (!seen.contains(QLatin1String(required)))
            reject(source,
                   QStringLiteral("the key \"%1\" is missing").arg(QLatin1String(required)));
    }
    if (index >= lines.size())
        reject(source, QStringLiteral("the line \"%1\" that starts the style sheet is missing")
                           .arg(StyleSheetHeader));

    const QStringList sheetLines = lines.mid(index + 1);
    theme.styleSheet = sheetLines.join(u'\n');
    if (theme.styleSheet.trimmed().isEmpty())
        reject(source, QStringLiteral("the style sheet is empty"));
    checkStyleSheet(theme.styleSheet, int(index) + 2, source);
    checkDeclarations(theme.styleSheet, int(index) + 2, source);
    return theme;
}

const QStringList &ThemeSheetProperties()
{
    static const QStringList names{QStringLiteral("linkColor"), QStringLiteral("hoverColor")};
    return names;
}

ThemeFile ReadThemeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        reject(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    if (file.size() > MaxThemeFileSize)
        reject(path, QStringLiteral("the file is larger than 1 MB"));
    const QByteArray bytes = file.read(MaxThemeFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        reject(path, QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    return ParseThemeFile(bytes, path);
}
