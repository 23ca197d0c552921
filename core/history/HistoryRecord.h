#pragma once

#include <QDateTime>
#include <QString>

// One row of the mHistory table: a private message, sent or received.
struct HistoryRecord {
    QString mDate;        // local date of writing, regional short form, up to 10 characters
    QString mTime;        // local time of writing, regional long form, up to 8 characters
    QString mSender;      // nick of the sender
    QString mReceiver;    // nick of the receiver
    QString mCutText;     // MakeCutText of mFullText
    QString mFullText;    // the whole message, CR LF line breaks included
    qint32 mIncoming = 0; // 1 received, 0 sent
};

// The fields of mHistory in table order; the values are the column positions.
enum class HistoryField { mDate, mTime, mSender, mReceiver, mCutText, mFullText, mIncoming };
inline constexpr int HistoryFieldCount = 7;

// "mDate", "mTime", …: the column names.
QString HistoryFieldName(HistoryField field);
// The nominal width in characters a field is declared with; 0 for the unbounded text.
int HistoryFieldWidth(HistoryField field);

// The store's file name for a nick: the decimal value of each code page 1251 byte of the
// nick, in order, without separators, then ".dat". Bob gives "6611198.dat".
QString HistoryFileName(const QString &nick);

// The 200-character preview: every CR and then every LF becomes one blank, and the result is
// cut to its first 200 characters. Nothing else is trimmed.
QString MakeCutText(const QString &text);

// A record as written at `moment`: date and time texts of that moment, the preview of `text`.
HistoryRecord MakeHistoryRecord(const QString &sender, const QString &receiver, const QString &text,
                                bool incoming, const QDateTime &moment);
