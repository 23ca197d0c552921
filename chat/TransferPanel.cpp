#include "TransferPanel.h"
#include "PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace transfer;

namespace
{

constexpr int BarSteps = 1000;
// Rows beyond these scroll, so the conversation keeps its room.
constexpr int RowsInSight = 2;

QString NamesText(const QList<OfferedFile> &files)
{
    QStringList names;
    qint64 total = 0;
    for (const OfferedFile &file : files) {
        names.append(file.name);
        total += file.size;
    }
    return names.join(u", "_s) + u" ("_s + FileSizeText(total) + u')';
}

QString NamesText(const QStringList &names, qint64 total)
{
    return names.join(u", "_s) + u" ("_s + FileSizeText(total) + u')';
}

} // namespace

TransferPanel::TransferPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(u"TransferPanel"_s);
    auto *rows = new QWidget;
    m_layout = new QVBoxLayout(rows);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(2);
    m_layout->addStretch();
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(rows);
    m_clear = new QPushButton(tr("Убрать завершённые"), this);
    m_clear->setObjectName(u"ClearEnded"_s);
    m_clear->setFlat(true);
    m_clear->hide();
    connect(m_clear, &QPushButton::clicked, this, &TransferPanel::clearEnded);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_clear, 0, Qt::AlignRight);
    outer->addWidget(m_scroll);
    hide();
}

TransferPanel::~TransferPanel() = default;

bool TransferPanel::addIncoming(const IncomingOffer &offer)
{
    if (waitingOffers() >= MaxWaitingOffers)
        return false;
    const QString sender = SenderText(offer.nick, AddressText(offer.sender));
    Row &row =
        addRow(offer.token, tr("%1 предлагает файлы: %2").arg(sender, NamesText(offer.files)),
               tr("Принять файлы?"));
    row.sender = AddressText(offer.sender);
    row.nick = offer.nick;
    row.accept = addButton(row, tr("Принять..."), offer.token, &TransferPanel::acceptClicked);
    row.decline = addButton(row, tr("Отклонить"), offer.token, &TransferPanel::declineClicked);
    return true;
}

void TransferPanel::addOutgoing(const QString &token, const QString &nick, const QStringList &names,
                                qint64 total)
{
    Row &row = addRow(token, tr("Файлы для %1: %2").arg(nick, NamesText(names, total)),
                      tr("Ждём ответа получателя"));
    row.cancel = addButton(row, tr("Отменить"), token, &TransferPanel::cancelClicked);
}

void TransferPanel::markAccepted(const QString &token)
{
    const auto it = m_rows.find(token);
    if (it == m_rows.end() || it->accept == nullptr)
        return;
    delete std::exchange(it->accept, nullptr);
    delete std::exchange(it->decline, nullptr);
    it->cancel = addButton(*it, tr("Отменить"), token, &TransferPanel::cancelClicked);
    it->status->setText(tr("Ждём соединения"));
}

void TransferPanel::showProgress(const QString &token, const TransferProgress &progress)
{
    const auto it = m_rows.find(token);
    if (it == m_rows.end())
        return;
    it->bar->setValue(progress.total > 0 ? int(progress.done * BarSteps / progress.total)
                                         : BarSteps);
    it->status->setText(ProgressText(progress));
}

void TransferPanel::showEnd(const QString &token, Outcome outcome, const QString &text)
{
    const auto it = m_rows.find(token);
    if (it == m_rows.end() || it->remove != nullptr)
        return;
    // Withdrawn before the user answered: nothing is left to do about it but know.
    const bool withdrawn = outcome == Outcome::CancelledByPeer && it->accept != nullptr;
    if (withdrawn && mergeWithdrawn(token, *it))
        return;
    endRow(token, *it, outcome, text);
    if (withdrawn) {
        it->withdrawn = 1;
        m_withdrawnRow.insert(it->sender, token);
    }
    m_ended.append(token);
    dropOldestEnded();
    m_clear->show();
    fitHeight();
}

void TransferPanel::clearEnded()
{
    const QStringList ended = m_ended;
    for (const QString &token : ended)
        removeRow(token);
}

void TransferPanel::endRow(const QString &token, Row &row, Outcome outcome, const QString &text)
{
    delete std::exchange(row.accept, nullptr);
    delete std::exchange(row.decline, nullptr);
    delete std::exchange(row.cancel, nullptr);
    if (outcome == Outcome::Done)
        row.bar->setValue(BarSteps);
    row.status->setText(text);
    auto *remove = new QPushButton(tr("Убрать"), row.frame);
    remove->setAccessibleDescription(token);
    connect(remove, &QPushButton::clicked, this, [this, token] { removeRow(token); });
    row.buttons->addWidget(remove);
    row.remove = remove;
}

bool TransferPanel::mergeWithdrawn(const QString &token, const Row &row)
{
    const auto merged = m_rows.find(m_withdrawnRow.value(row.sender));
    if (merged == m_rows.end())
        return false;
    merged->nick = row.nick;
    merged->title->setText(tr("Предложения файлов от %1 отозваны, не дождавшись ответа: %2")
                               .arg(SenderText(row.nick, row.sender))
                               .arg(++merged->withdrawn));
    merged->bar->setAccessibleName(merged->title->text());
    // The row stays as long as its sender keeps withdrawing.
    m_ended.removeOne(merged.key());
    m_ended.append(merged.key());
    removeRow(token);
    return true;
}

TransferPanel::Row &TransferPanel::addRow(const QString &token, const QString &title,
                                          const QString &status)
{
    Row row;
    row.frame = new QWidget(this);
    // A row keeps its height; the panel scrolls rather than squeeze the rows.
    row.frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *layout = new QVBoxLayout(row.frame);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    row.title = PlainLabel(u"TransferTitle"_s, title, row.frame);
    row.title->setWordWrap(true);
    layout->addWidget(row.title);
    row.bar = new QProgressBar(row.frame);
    row.bar->setRange(0, BarSteps);
    row.bar->setValue(0);
    row.bar->setTextVisible(false);
    row.bar->setFixedHeight(row.title->fontMetrics().height() / 2 + 2);
    row.bar->setAccessibleName(title);
    layout->addWidget(row.bar);
    // The figures and the buttons of the stage share a line.
    row.buttons = new QHBoxLayout;
    row.status = PlainLabel(u"TransferStatus"_s, status, row.frame);
    row.status->setWordWrap(true);
    row.buttons->addWidget(row.status, 1);
    layout->addLayout(row.buttons);
    m_layout->insertWidget(m_layout->count() - 1, row.frame);
    Row &added = *m_rows.insert(token, row);
    fitHeight();
    show();
    scrollToNewest(row.frame);
    return added;
}

QPushButton *TransferPanel::addButton(Row &row, const QString &text, const QString &token,
                                      void (TransferPanel::*clicked)(const QString &))
{
    auto *button = new QPushButton(text, row.frame);
    button->setAccessibleDescription(token);
    connect(button, &QPushButton::clicked, this, [this, token, clicked] {
        Q_EMIT(this->*clicked)(token);
    });
    row.buttons->addWidget(button);
    return button;
}

void TransferPanel::removeRow(const QString &token)
{
    const auto it = m_rows.find(token);
    if (it == m_rows.end())
        return;
    if (it->withdrawn > 0)
        m_withdrawnRow.remove(it->sender);
    m_layout->removeWidget(it->frame);
    it->frame->deleteLater();
    m_rows.erase(it);
    m_ended.removeOne(token);
    m_clear->setVisible(!m_ended.isEmpty());
    fitHeight();
    setVisible(!m_rows.isEmpty());
}

void TransferPanel::dropOldestEnded()
{
    while (m_ended.size() > MaxEndedRows)
        removeRow(m_ended.constFirst());
}

// The newest row comes into sight once the layout has placed it; one scroll serves a burst.
void TransferPanel::scrollToNewest(QWidget *frame)
{
    const bool pending = !m_newest.isNull();
    m_newest = frame;
    if (pending)
        return;
    QTimer::singleShot(0, this, [this] {
        if (QWidget *newest = std::exchange(m_newest, nullptr))
            m_scroll->ensureWidgetVisible(newest);
    });
}

void TransferPanel::fitHeight()
{
    int height = m_clear->isVisibleTo(this) ? m_clear->sizeHint().height() : 0;
    for (int i = 0, shown = 0; i < m_layout->count() && shown < RowsInSight; ++i) {
        if (QWidget *frame = m_layout->itemAt(i)->widget()) {
            height += frame->sizeHint().height() + m_layout->spacing();
            ++shown;
        }
    }
    setFixedHeight(height);
}

int TransferPanel::waitingOffers() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [](const Row &row) { return row.accept != nullptr; }));
}
