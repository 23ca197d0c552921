#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Local date and time as the user's region writes them, in the widths the message
// history keeps: a date of at most 10 characters, a time of at most 8.

// The region's short date form; when that is wider than 10 characters, the same form with a
// two-digit year, then the ISO form yyyy-MM-dd, then that form in plain digits 0-9.
QString LocalDateText(const QDateTime &moment, const QLocale &locale = QLocale::system());

// The region's long time form (hours, minutes, seconds) without its time-zone part; when that
// is wider than 8 characters, the same form on the 24-hour clock without the day-period
// marker, then HH:mm:ss, then that form in plain digits 0-9.
QString LocalTimeText(const QDateTime &moment, const QLocale &locale = QLocale::system());

// The time as the conversation shows it: HH:mm:ss on the 24-hour clock in plain digits,
// "04:53:08" whatever the language or the region.
QString ConversationTimeText(const QDateTime &moment);

// A date the history keeps (`stored`, as LocalDateText wrote it under the region `region`, or in
// the ten-character forms dd.MM.yyyy and yyyy-MM-dd a copy elsewhere may have written) as the
// history window shows it: with a four-digit year, dd.MM.yyyy when `display` is Russian and
// yyyy-MM-dd otherwise. A two-digit year is taken as the one of the last hundred years (up to
// next year). A text that reads as no date is shown as it is.
QString HistoryDateText(const QString &stored, const QLocale &display = QLocale(),
                        const QLocale &region = QLocale::system());

// Format rewriting behind the two functions. Quoted literal text is left alone.
// Removes the time-zone fields ("t") with the blanks and the empty brackets they leave.
QString WithoutTimeZone(const QString &format);
// Removes the day-period fields (AP, ap, A, a) and turns 12-hour fields (h, hh) into 24-hour.
QString TwentyFourHourClock(const QString &format);
// Turns a four-digit year field (yyyy) into a two-digit one (yy).
QString TwoDigitYear(const QString &format);
