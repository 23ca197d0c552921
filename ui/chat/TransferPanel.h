#pragma once

#include "TransferFigures.h"
#include "TransferOutcome.h"
#include "TransferTexts.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// The private window's file transfers: one row per offer or transfer with its names, a
// progress bar, the figures and the buttons that apply at that stage; the newest rows scroll
// into sight. Ended rows stay until removed, at most MaxEndedRows of them (the oldest go
// first); offers a sender withdrew before they were answered share one row per sender. Offers
// coming in bursts are drawn together, at most once per DrawIntervalMs, so an offer withdrawn
// meanwhile costs no widgets. Hidden while empty.
class TransferPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferPanel)
public:
    explicit TransferPanel(QWidget *parent = nullptr);
    ~TransferPanel() override;

    // False, and no row, while MaxWaitingOffers offers already wait for an answer.
    bool addIncoming(const transfer::IncomingOffer &offer);
    void addOutgoing(const QString &token, const QString &nick, const QStringList &names,
                     qint64 total);
    // An accepted offer: accept and decline give way to cancel.
    void markAccepted(const QString &token);
    void showProgress(const QString &token, const transfer::TransferProgress &progress);
    // No byte moved for a while; the next progress shows the figures again.
    void showStalled(const QString &token, bool stalled);
    void showEnd(const QString &token, transfer::Outcome outcome, const QString &text);
    // Removes every ended row, as the "Убрать завершённые" button does.
    void clearEnded();
    int rowCount() const { return int(m_rows.size()); }
    int endedCount() const { return int(m_ended.size()); }

    static constexpr int MaxEndedRows = 20;
    static constexpr int MaxWaitingOffers = 64;
    static constexpr int DrawIntervalMs = 100;

Q_SIGNALS:
    void acceptClicked(const QString &token);
    void declineClicked(const QString &token);
    void cancelClicked(const QString &token);
    // The panel grew taller: the window may need more room.
    void grew();

private:
    enum class Stage { Offered, Outgoing, Accepted, Ended };
    struct Row {
        // What the row says.
        Stage stage = Stage::Offered;
        QString titleText;
        QString statusText;
        bool done = false;
        QString sender; // an offer's sender address, for merging withdrawn offers
        QString nick;
        int withdrawn = 0; // the sender's unanswered offers withdrawn, shown by this row
        // Its widgets, made when the row is first drawn.
        QWidget *frame = nullptr;
        QHBoxLayout *buttons = nullptr;
        QLabel *title = nullptr;
        QLabel *status = nullptr;
        QProgressBar *bar = nullptr;
        QPushButton *accept = nullptr;
        QPushButton *decline = nullptr;
        QPushButton *cancel = nullptr;
        QPushButton *remove = nullptr;
    };
    using RowIt = QHash<QString, Row>::iterator;

    // Draws the row now, or with the next burst when one was drawn lately.
    void draw(const QString &token);
    void drawQueued();
    RowIt drawn(const QString &token);
    void build(const QString &token, Row &row);
    void showStage(const QString &token, Row &row);
    QPushButton *addButton(Row &row, const QString &text, const QString &token,
                           void (TransferPanel::*clicked)(const QString &));
    // A withdrawn offer joins the row of its sender's earlier withdrawn ones, if any.
    bool mergeWithdrawn(const QString &token, const Row &row);
    void removeRow(const QString &token);
    void dropOldestEnded();
    void scrollToNewest(QWidget *frame);
    // Tall enough for the first rows; the others scroll.
    void fitHeight();
    int waitingOffers() const;

    QPushButton *m_clear = nullptr;
    QScrollArea *m_scroll = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QHash<QString, Row> m_rows;
    QStringList m_ended;                    // tokens of the ended rows, oldest first
    QHash<QString, QString> m_withdrawnRow; // by sender address: the row of withdrawn offers
    QStringList m_queued;                   // rows to draw with the next burst
    QTimer m_drawTimer;
    QPointer<QWidget> m_newest; // the row to scroll into sight
};
