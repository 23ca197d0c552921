#pragma once

#include "TransferFigures.h"
#include "TransferOutcome.h"
#include "TransferTexts.h"

#include <QHash>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// The private window's file transfers: one row per offer or transfer with its names, a
// progress bar, the figures and the buttons that apply at that stage; the newest rows scroll
// into sight. Hidden while empty.
class TransferPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferPanel)
public:
    explicit TransferPanel(QWidget *parent = nullptr);
    ~TransferPanel() override;

    void addIncoming(const transfer::IncomingOffer &offer);
    void addOutgoing(const QString &token, const QString &nick, const QStringList &names,
                     qint64 total);
    // An accepted offer: accept and decline give way to cancel.
    void markAccepted(const QString &token);
    void showProgress(const QString &token, const transfer::TransferProgress &progress);
    // No byte moved for a while; the next progress shows the figures again.
    void showStalled(const QString &token, bool stalled);
    void showEnd(const QString &token, transfer::Outcome outcome, const QString &text);
    int rowCount() const { return int(m_rows.size()); }

Q_SIGNALS:
    void acceptClicked(const QString &token);
    void declineClicked(const QString &token);
    void cancelClicked(const QString &token);

private:
    struct Row {
        QWidget *frame = nullptr;
        QHBoxLayout *buttons = nullptr;
        QLabel *status = nullptr;
        QProgressBar *bar = nullptr;
        QPushButton *accept = nullptr;
        QPushButton *decline = nullptr;
        QPushButton *cancel = nullptr;
        QPushButton *remove = nullptr;
    };

    Row &addRow(const QString &token, const QString &title, const QString &status);
    QPushButton *addButton(Row &row, const QString &text, const QString &token,
                           void (TransferPanel::*clicked)(const QString &));
    void removeRow(const QString &token);
    // Tall enough for the first rows; the others scroll.
    void fitHeight();

    QScrollArea *m_scroll = nullptr;
    QVBoxLayout *m_layout = nullptr;
    QHash<QString, Row> m_rows;
};
