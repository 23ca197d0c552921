#include "HistoryRecord.h"

#include "Cp1251.h"
#include "DateTimeText.h"

namespace
{

constexpr qsizetype CutTextWidth = 200;

} // namespace

QString HistoryFieldName(HistoryField field)
{
    switch (field) {
    case HistoryField::mDate:
        return QStringLiteral("mDate");
    case HistoryField::mTime:
        return QStringLiteral("mTime");
    case HistoryField::mSender:
        return QStringLiteral("mSender");
    case HistoryField::mReceiver:
        return QStringLiteral("mReceiver");
    case HistoryField::mCutText:
        return QStringLiteral("mCutText");
    case HistoryField::mFullText:
        return QStringLiteral("mFullText");
    case HistoryField::mIncoming:
        return QStringLiteral("mIncoming");
    }
    return QString();
}

int HistoryFieldWidth(HistoryField field)
{
    switch (field) {
    case HistoryField::mDate:
        return 10;
    case HistoryField::mTime:
        return 8;
    case HistoryField::mSender:
    case HistoryField::mReceiver:
        return 50;
    case HistoryField::mCutText:
        return int(CutTextWidth);
    case HistoryField::mFullText:
    case HistoryField::mIncoming:
        return 0;
    }
    return 0;
}

QString HistoryFileName(const QString &nick)
{
    QString name;
    const QByteArray bytes = cp1251::encode(nick);
    for (const char b : bytes)
        name += QString::number(uint(uchar(b)));
    return name + QStringLiteral(".dat");
}

QString MakeCutText(const QString &text)
{
    QString cut = text;
    cut.replace(u'\r', u' ');
    cut.replace(u'\n', u' ');
    if (cut.size() > CutTextWidth)
        cut.truncate(CutTextWidth);
    return cut;
}

HistoryRecord MakeHistoryRecord(const QString &sender, const QString &receiver, const QString &text,
                                bool incoming, const QDateTime &moment)
{
    HistoryRecord r;
    r.mDate = LocalDateText(moment);
    r.mTime = LocalTimeText(moment);
    r.mSender = sender;
    r.mReceiver = receiver;
    r.mCutText = MakeCutText(text);
    r.mFullText = text;
    r.mIncoming = incoming ? 1 : 0;
    return r;
}
