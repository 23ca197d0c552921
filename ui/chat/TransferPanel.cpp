#include "TransferPanel.h"
#include "PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;
using namespace transfer;

namespace
{

constexpr int BarSteps = 1000;
// Rows beyond these scroll, so the conversation keeps its room.
constexpr int RowsInSight = 2;

QString NamesText(const QStringList &names, qint64 total)
{
    return names.join(u", "_s) + u" ("_s + FileSizeText(total) + u')';
}

QString NamesText(const QList<OfferedFile> &files)
{
    QStringList names;
    qint64 total = 0;
    for (const OfferedFile &file : files) {
        names.append(file.name);
        total += file.size;
    }
    return NamesText(names, total);
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
    m_drawTimer.setSingleShot(true);
    m_drawTimer.setInterval(DrawIntervalMs);
    connect(&m_drawTimer, &QTimer::timeout, this, &TransferPanel::drawQueued);
    hide();
}

TransferPanel::~TransferPanel() = default;

bool TransferPanel::addIncoming(const IncomingOffer &offer)
{
    if (waitingOffers() >= MaxWaitingOffers)
        return false;
    Row row;
    row.sender = AddressText(offer.sender);
    row.nick = offer.nick;
    row.titleText = tr("%1 предлагает файлы: %2")
                        .arg(SenderText(offer.nick, row.sender), NamesText(offer.files));
    row.statusText = tr("Принять файлы?");
    m_rows.insert(offer.token, std::move(row));
    draw(offer.token);
    return true;
}

void TransferPanel::addOutgoing(const QString &token, const QString &nick, const QStringList &names,
                                qint64 total)
{
    Row row;
    row.stage = Stage::Outgoing;
    row.titleText = tr("Файлы для %1: %2").arg(nick, NamesText(names, total));
    row.statusText = tr("Ждём ответа получателя");
    // The user's own offer shows at once, whatever comes in meanwhile.
    m_rows.insert(token, std::move(row));
    drawn(token);
}

void TransferPanel::markAccepted(const QString &token)
{
    const RowIt it = drawn(token);
    if (it == m_rows.end() || it->stage != Stage::Offered)
        return;
    it->stage = Stage::Accepted;
    it->statusText = tr("Ждём соединения");
    showStage(token, *it);
}

void TransferPanel::showProgress(const QString &token, const TransferProgress &progress)
{
    const RowIt it = drawn(token);
    if (it == m_rows.end())
        return;
    it->bar->setValue(progress.total > 0 ? int(progress.done * BarSteps / progress.total)
                                         : BarSteps);
    it->statusText = ProgressText(progress);
    it->status->setText(it->statusText);
}

void TransferPanel::showStalled(const QString &token, bool stalled)
{
    const RowIt it = m_rows.find(token);
    if (it != m_rows.end() && it->stage != Stage::Ended && it->status != nullptr)
        it->status->setText(StalledText(stalled));
}

void TransferPanel::showEnd(const QString &token, Outcome outcome, const QString &text)
{
    const RowIt it = m_rows.find(token);
    if (it == m_rows.end() || it->stage == Stage::Ended)
        return;
    // Withdrawn before the user answered: nothing is left to do about it but know.
    const bool withdrawn = outcome == Outcome::CancelledByPeer && it->stage == Stage::Offered;
    if (withdrawn && mergeWithdrawn(token, *it))
        return;
    it->stage = Stage::Ended;
    it->statusText = text;
    it->done = outcome == Outcome::Done;
    if (withdrawn) {
        it->withdrawn = 1;
        m_withdrawnRow.insert(it->sender, token);
    }
    if (it->frame != nullptr)
        showStage(token, *it);
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

bool TransferPanel::mergeWithdrawn(const QString &token, const Row &row)
{
    const QString into = m_withdrawnRow.value(row.sender);
    const RowIt merged = m_rows.find(into);
    if (merged == m_rows.end())
        return false;
    merged->nick = row.nick;
    merged->titleText = tr("Предложения файлов от %1 отозваны, не дождавшись ответа: %2")
                            .arg(SenderText(row.nick, row.sender))
                            .arg(++merged->withdrawn);
    // The row stays as long as its sender keeps withdrawing.
    m_ended.removeOne(into);
    m_ended.append(into);
    removeRow(token);
    draw(into);
    return true;
}

void TransferPanel::draw(const QString &token)
{
    if (m_drawTimer.isActive()) {
        if (!m_queued.contains(token))
            m_queued.append(token);
        return;
    }
    drawn(token);
    m_drawTimer.start();
}

void TransferPanel::drawQueued()
{
    const QStringList queued = std::exchange(m_queued, {});
    for (const QString &token : queued)
        drawn(token);
    // Another burst waits the interval again.
    if (!queued.isEmpty())
        m_drawTimer.start();
}

// The row with its widgets made, and its words brought up to date.
TransferPanel::RowIt TransferPanel::drawn(const QString &token)
{
    const RowIt it = m_rows.find(token);
    if (it == m_rows.end())
        return it;
    if (it->frame == nullptr) {
        build(token, *it);
    } else if (it->title->text() != it->titleText) {
        it->title->setText(it->titleText);
        it->bar->setAccessibleName(it->titleText);
    }
    return it;
}

void TransferPanel::build(const QString &token, Row &row)
{
    row.frame = new QWidget(this);
    // A row keeps its height; the panel scrolls rather than squeeze the rows.
    row.frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto *layout = new QVBoxLayout(row.frame);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    row.title = PlainLabel(u"TransferTitle"_s, row.titleText, row.frame);
    row.title->setWordWrap(true);
    layout->addWidget(row.title);
    row.bar = new QProgressBar(row.frame);
    row.bar->setRange(0, BarSteps);
    row.bar->setValue(0);
    row.bar->setTextVisible(false);
    row.bar->setFixedHeight(row.title->fontMetrics().height() / 2 + 2);
    row.bar->setAccessibleName(row.titleText);
    layout->addWidget(row.bar);
    // The figures and the buttons of the stage share a line.
    row.buttons = new QHBoxLayout;
    row.status = PlainLabel(u"TransferStatus"_s, row.statusText, row.frame);
    row.status->setWordWrap(true);
    row.buttons->addWidget(row.status, 1);
    layout->addLayout(row.buttons);
    showStage(token, row);
    m_layout->insertWidget(m_layout->count() - 1, row.frame);
    show();
    fitHeight();
    scrollToNewest(row.frame);
}

// The status and the buttons that apply at the row's stage.
void TransferPanel::showStage(const QString &token, Row &row)
{
    delete std::exchange(row.accept, nullptr);
    delete std::exchange(row.decline, nullptr);
    delete std::exchange(row.cancel, nullptr);
    row.status->setText(row.statusText);
    switch (row.stage) {
    case Stage::Offered:
        row.accept = addButton(row, tr("Принять..."), token, &TransferPanel::acceptClicked);
        row.decline = addButton(row, tr("Отклонить"), token, &TransferPanel::declineClicked);
        break;
    case Stage::Outgoing:
    case Stage::Accepted:
        row.cancel = addButton(row, tr("Отменить"), token, &TransferPanel::cancelClicked);
        break;
    case Stage::Ended:
        if (row.done)
            row.bar->setValue(BarSteps);
        row.remove = new QPushButton(tr("Убрать"), row.frame);
        row.remove->setAccessibleDescription(token);
        connect(row.remove, &QPushButton::clicked, this, [this, token] { removeRow(token); });
        row.buttons->addWidget(row.remove);
        break;
    }
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
    const RowIt it = m_rows.find(token);
    if (it == m_rows.end())
        return;
    if (it->withdrawn > 0)
        m_withdrawnRow.remove(it->sender);
    if (it->frame != nullptr) {
        m_layout->removeWidget(it->frame);
        it->frame->hide();
        it->frame->deleteLater();
    }
    m_rows.erase(it);
    m_ended.removeOne(token);
    m_queued.removeOne(token);
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
    const bool taller = height > minimumHeight();
    setFixedHeight(height);
    if (taller)
        Q_EMIT grew();
}

int TransferPanel::waitingOffers() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(),
                             [](const Row &row) { return row.stage == Stage::Offered; }));
}
