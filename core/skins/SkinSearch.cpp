#include "SkinSearch.h"

#include "AppPaths.h"
#include "SkinRules.h"

#include <QDirIterator>

SkinSearch::SkinSearch() = default;
SkinSearch::~SkinSearch() = default;

QString SkinSearch::next(const QString &folder)
{
    if (m_state == State::Finished)
        return {};
    if (m_state == State::Idle) {
        m_iterator = std::make_unique<QDirIterator>(folder, QStringList{QStringLiteral("*.sui")},
                                                    QDir::AllEntries | QDir::Hidden | QDir::System |
                                                        QDir::NoDotAndDotDot);
        m_state = State::Running;
    }
    if (!m_iterator->hasNext()) {
        m_iterator.reset();
        m_state = State::Finished;
        return {};
    }
    return m_iterator->next();
}

void SkinSearch::clear()
{
    m_iterator.reset();
    m_state = State::Idle;
}

SkinSearch &SharedSkinSearch()
{
    static SkinSearch search;
    return search;
}

QString SkinsFolder()
{
    return apppaths::SharedFolder() + QLatin1String("/Skins/");
}

QStringList ScanSkinEntries(SkinSearch &search, const QString &folder)
{
    QStringList entries = BuiltInSkinNames();
    for (int round = 0; round < MaxSkinFiles; ++round) {
        const QString path = search.next(folder);
        if (!path.isEmpty())
            entries.append(SkinDisplayName(path));
    }
    return entries;
}
