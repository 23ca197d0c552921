#include "DateTimeText.h"

#include <QList>

namespace
{

constexpr qsizetype DateWidth = 10;
constexpr qsizetype TimeWidth = 8;

// A format split into pieces: runs of one field letter, quoted literals, and other text.
struct Piece {
    enum Kind { Field, Quoted, Plain } kind;
    QString text;
};

QList<Piece> splitFormat(const QString &format)
{
    QList<Piece> pieces;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            // A quoted literal runs to the next lone quote; '' inside stands for one quote.
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format.at(j) == u'\'') {
                    if (j + 1 < format.size() && format.at(j + 1) == u'\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            pieces.append({Piece::Quoted, format.mid(i, j - i)});
            i = j;
        } else if (c.isLetter() && c.unicode() < 128) {
            qsizetype j = i + 1;
            while (j < format.size() && format.at(j) == c)
                ++j;
            pieces.append({Piece::Field, format.mid(i, j - i)});
            i = j;
        } else {
            qsizetype j = i + 1;
            while (j < format.size() && format.at(j) != u'\'' &&
                   !(format.at(j).isLetter() && format.at(j).unicode() < 128))
                ++j;
            pieces.append({Piece::Plain, format.mid(i, j - i)});
            i = j;
        }
    }
    return pieces;
}

QString joinFormat(const QList<Piece> &pieces)
{
    QString out;
    for (const Piece &p : pieces)
        out += p.text;
    return out;
}

// Removes fields for which `drop` is true, then tidies what their removal left behind:
// empty brackets, doubled blanks and blanks at either end, all outside quotes.
template <typename Drop> QString dropFields(QList<Piece> kept, Drop drop)
{
    kept.removeIf([&](const Piece &p) { return p.kind == Piece::Field && drop(p.text); });
    // Splitting again joins the plain runs the removal made neighbours.
    QList<Piece> pieces = splitFormat(joinFormat(kept));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        Piece &p = pieces[i];
        if (p.kind != Piece::Plain)
            continue;
        p.text.replace(QStringLiteral("( )"), QStringLiteral(" "));
        p.text.replace(QStringLiteral("()"), QString());
        while (p.text.contains(QStringLiteral("  ")))
            p.text.replace(QStringLiteral("  "), QStringLiteral(" "));
        if (i == 0) {
            while (p.text.startsWith(u' '))
                p.text.remove(0, 1);
        }
        if (i + 1 == pieces.size()) {
            while (p.text.endsWith(u' '))
                p.text.chop(1);
        }
    }
    return joinFormat(pieces);
}

// A year read from two digits lands in the hundred years that end next year.
QDate WithinLastCentury(const QDate &date)
{
    const int latest = QDate::currentDate().year() + 1;
    int year = date.year();
    while (year + 100 <= latest)
        year += 100;
    while (year > latest)
        year -= 100;
    return QDate(year, date.month(), date.day());
}

// The text with every digit of any script written as a plain digit 0-9.
QString PlainDigits(const QString &text)
{
    QString plain;
    for (const char32_t c : text.toUcs4()) {
        const int digit = QChar::digitValue(c);
        if (digit >= 0)
            plain += QChar(u'0' + digit);
        else
            plain += QString::fromUcs4(&c, 1);
    }
    return plain;
}

QDate StoredDate(const QString &stored, const QLocale &region)
{
    const QString shortFormat = region.dateFormat(QLocale::ShortFormat);
    const QString plain = PlainDigits(stored);
    for (const QString &format :
         {shortFormat, TwoDigitYear(shortFormat), QStringLiteral("yyyy-MM-dd"),
          QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd.MM.yy")}) {
        for (const QDate &date : {region.toDate(stored, format), region.toDate(plain, format),
                                  QLocale::c().toDate(plain, format)}) {
            if (date.isValid())
                return format.contains(QStringLiteral("yyyy")) ? date : WithinLastCentury(date);
        }
    }
    return QDate();
}

bool isDayPeriod(const QString &field)
{
    const QChar c = field.at(0);
    return c == u'A' || c == u'a';
}

} // namespace

QString WithoutTimeZone(const QString &format)
{
    return dropFields(splitFormat(format),
                      [](const QString &field) { return field.at(0) == u't'; });
}

QString TwentyFourHourClock(const QString &format)
{
    QList<Piece> pieces = splitFormat(format);
    // The day-period field may be written AP, Ap, aP or ap: a run of A/a followed by P/p.
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        Piece &a = pieces[i];
        const Piece &p = pieces.at(i + 1);
        if (a.kind == Piece::Field && a.text.size() == 1 && isDayPeriod(a.text) &&
            p.kind == Piece::Field && (p.text == u"P" || p.text == u"p")) {
            a.text += p.text;
            pieces.removeAt(i + 1);
        }
    }
    for (Piece &p : pieces) {
        if (p.kind == Piece::Field && p.text.at(0) == u'h')
            p.text = QString(p.text.size(), u'H');
    }
    return dropFields(pieces, isDayPeriod);
}

QString TwoDigitYear(const QString &format)
{
    QList<Piece> pieces = splitFormat(format);
    for (Piece &p : pieces) {
        if (p.kind == Piece::Field && p.text == u"yyyy")
            p.text = QStringLiteral("yy");
    }
    return joinFormat(pieces);
}

QString LocalDateText(const QDateTime &moment, const QLocale &locale)
{
    const QDate date = moment.date();
    const QString shortFormat = locale.dateFormat(QLocale::ShortFormat);
    // A fallback format is made only when the one before gives too long a text.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString format = attempt == 0   ? shortFormat
                               : attempt == 1 ? TwoDigitYear(shortFormat)
                                              : QStringLiteral("yyyy-MM-dd");
        const QString text = locale.toString(date, format);
        if (text.size() <= DateWidth)
            return text;
    }
    // Digits the text cannot hold in 10 characters are written as plain digits.
    return QLocale::c().toString(date, QStringLiteral("yyyy-MM-dd"));
}

QString LocalTimeText(const QDateTime &moment, const QLocale &locale)
{
    const QTime time = moment.time();
    const QString longFormat = WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString format = attempt == 0   ? longFormat
                               : attempt == 1 ? TwentyFourHourClock(longFormat)
                                              : QStringLiteral("HH:mm:ss");
        const QString text = locale.toString(time, format);
        if (text.size() <= TimeWidth)
            return text;
    }
    return QLocale::c().toString(time, QStringLiteral("HH:mm:ss"));
}

QString ConversationTimeText(const QDateTime &moment)
{
    return QLocale::c().toString(moment.time(), QStringLiteral("HH:mm:ss"));
}

QString HistoryDateText(const QString &stored, const QLocale &display, const QLocale &region)
{
    const QDate date = StoredDate(stored, region);
    if (!date.isValid())
        return stored;
    return QLocale::c().toString(date, display.language() == QLocale::Russian
                                           ? QStringLiteral("dd.MM.yyyy")
                                           : QStringLiteral("yyyy-MM-dd"));
}
