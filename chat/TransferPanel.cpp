#include "TransferPanel.h"
#include "PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

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
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);
    hide();
}

TransferPanel::~TransferPanel() = default;

void TransferPanel::addIncoming(const IncomingOffer &offer)
{
    QStringList names;
    for (const OfferedFile &file : offer.files)
        names.append(file.name);
    Row &row =
        addRow(offer.token,
               tr("%1 предлагает файлы: %2").arg(offer.nick, NamesText(names, offer.totalSize())),
               tr("Принять файлы?"));
    row.accept = addButton(row, tr("Принять..."), offer.token, &TransferPanel::acceptClicked);
    row.decline = addButton(row, tr("Отклонить"), offer.token, &TransferPanel::declineClicked);
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

void TransferPanel::showStalled(const QString &token, bool stalled)
{
    const auto it = m_rows.find(token);
    if (it != m_rows.end() && it->remove == nullptr)
        it->status->setText(StalledText(stalled));
}

void TransferPanel::showEnd(const QString &token, Outcome outcome, const QString &text)
{
    const auto it = m_rows.find(token);
    if (it == m_rows.end())
        return;
    delete std::exchange(it->accept, nullptr);
    delete std::exchange(it->decline, nullptr);
    delete std::exchange(it->cancel, nullptr);
    if (outcome == Outcome::Done)
        it->bar->setValue(BarSteps);
    it->status->setText(text);
    auto *remove = new QPushButton(tr("Убрать"), it->frame);
    remove->setAccessibleDescription(token);
    connect(remove, &QPushButton::clicked, this, [this, token] { removeRow(token); });
    it->buttons->addWidget(remove);
    it->remove = remove;
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
    QLabel *titleLabel = PlainLabel(u"TransferTitle"_s, title, row.frame);
    titleLabel->setWordWrap(true);
    layout->addWidget(titleLabel);
    row.bar = new QProgressBar(row.frame);
    row.bar->setRange(0, BarSteps);
    row.bar->setValue(0);
    row.bar->setTextVisible(false);
    row.bar->setFixedHeight(titleLabel->fontMetrics().height() / 2 + 2);
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
    // The newest row comes into sight once the layout has placed it.
    QTimer::singleShot(0, this, [this, frame = QPointer<QWidget>(row.frame)] {
        if (frame)
            m_scroll->ensureWidgetVisible(frame);
    });
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
    m_layout->removeWidget(it->frame);
    it->frame->deleteLater();
    m_rows.erase(it);
    fitHeight();
    setVisible(!m_rows.isEmpty());
}

void TransferPanel::fitHeight()
{
    int height = 0;
    for (int i = 0, shown = 0; i < m_layout->count() && shown < RowsInSight; ++i) {
        if (QWidget *frame = m_layout->itemAt(i)->widget()) {
            height += frame->sizeHint().height() + m_layout->spacing();
            ++shown;
        }
    }
    setFixedHeight(height);
}
