#include "StoreGenerator.h"

#include "HistoryDatabase.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <random>
#include <vector>

namespace
{

const QStringList Nicks = {u"Анна"_qs,   u"Борис"_qs, u"Вера"_qs,  u"Глеб"_qs,   u"Дарья"_qs,
                           u"alex"_qs,   u"Bob"_qs,   u"carol"_qs, u"Dmitry"_qs, u"Ёжик"_qs,
                           u"Женя"_qs,   u"Зоя"_qs,   u"Игорь"_qs, u"kate"_qs,   u"Лена"_qs,
                           u"Максим"_qs, u"nina"_qs,  u"Олег"_qs,  u"Павел"_qs,  u"roman"_qs};

const QStringList Words = {u"привет"_qs,
                           u"как"_qs,
                           u"дела"_qs,
                           u"сегодня"_qs,
                           u"встреча"_qs,
                           u"отчёт"_qs,
                           u"сервер"_qs,
                           u"обед"_qs,
                           u"завтра"_qs,
                           u"ёлка"_qs,
                           u"файл"_qs,
                           u"сеть"_qs,
                           u"hello"_qs,
                           u"meeting"_qs,
                           u"report"_qs,
                           u"lunch"_qs,
                           u"build"_qs,
                           u"server"_qs,
                           u"ok"_qs,
                           u"спасибо"_qs,
                           u"да"_qs,
                           u"нет"_qs,
                           u"позже"_qs,
                           u"ПРИНТЕР"_qs,
                           u"Москва"_qs,
                           u"документ"_qs,
                           u"123"_qs,
                           u"14:30"_qs,
                           u"http://intranet/wiki"_qs};

QString message(std::mt19937 &random)
{
    std::uniform_int_distribution<int> pick(0, int(Words.size()) - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    // Mostly short chat lines, some paragraphs, a few long pastes.
    const int roll = percent(random);
    const int words =
        roll < 70 ? 2 + roll % 12 : (roll < 97 ? 15 + (roll - 70) * 2 : 200 + (roll - 97) * 100);
    QString text;
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            text += percent(random) < 4 ? QStringLiteral("\r\n") : QStringLiteral(" ");
        text += Words.at(pick(random));
    }
    return text;
}

} // namespace

QString GenerateHistoryStore(const QString &folder, const QString &nick, int count)
{
    QDir().mkpath(folder);
    const QDir dir(folder);
    const QString templateFile = dir.filePath(QStringLiteral("tmp.dat"));
    if (!QFile::exists(templateFile))
        CreateHistoryTemplate(templateFile);
    const QString path = dir.filePath(HistoryFileName(nick));
    for (const QString &file : {path, QString(path + u"-wal"_qs), QString(path + u"-shm"_qs)})
        QFile::remove(file);
    QFile::copy(templateFile, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);

    HistoryConnection connection;
    connection.setDatabasePath(path);
    connection.open();
    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> who(0, int(Nicks.size()) - 1);
    const QDateTime end = QDateTime::currentDateTime();
    constexpr int Batch = 20000;
    std::vector<HistoryRecord> batch;
    batch.reserve(Batch);
    for (int i = 0; i < count; ++i) {
        const bool incoming = (random() & 1u) != 0;
        const QString peer = Nicks.at(who(random));
        const QDateTime moment = end.addSecs(-30 * qint64(count - i));
        batch.push_back(MakeHistoryRecord(incoming ? peer : nick, incoming ? nick : peer,
                                          message(random), incoming, moment));
        if (int(batch.size()) == Batch || i + 1 == count) {
            connection.appendRecords(batch);
            batch.clear();
        }
    }
    connection.close();
    return path;
}
