#pragma once

#include "AlertGate.h"
#include "TransferOutcome.h"

#include <QElapsedTimer>
#include <QHash>
#include <QWidget>

class ChatSession;
class QAction;
class QMimeData;
class TransferPanel;
namespace transfer
{
class FileTransferService;
}
class LogView;
class QBoxLayout;
class QComboBox;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QPushButton;
class QTextEdit;
class ChatServices;
struct StartReport;
class TIdSocketHandle;
class TIdUDPClient;
class TIdUDPServer;

// The private conversation window: messages to and from one chosen peer.
class TForm4 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm4)
public:
    explicit TForm4(ChatServices &services, QWidget *parent = nullptr);

    // The recipient box's text while nobody else is in the chat.
    static QString ChooseUserPrompt();

    LogView *RichEdit1 = nullptr; // the conversation
    QLabel *RecipientLabel = nullptr;
    QComboBox *ComboBox1 = nullptr;    // the recipient box
    QPushButton *Button1 = nullptr;    // "Отправить"
    QPushButton *Button2 = nullptr;    // "Очистить"
    QPushButton *suiButton1 = nullptr; // "История"
    QTextEdit *RichEdit2 = nullptr;    // the message input
    // Files: whether the recipient takes them, the command to offer some (a button and an
    // item of the conversation's context menu) and the offers and transfers under way.
    QLabel *FileCapability = nullptr;
    QPushButton *FileButton = nullptr; // "Отправить файл..."
    QAction *SendFileAction = nullptr;
    TransferPanel *Transfers = nullptr;
    // The chat's private endpoints.
    TIdUDPServer *IdUDPServer1 = nullptr;
    TIdUDPClient *IdUDPClient1 = nullptr;

    // Sets the window state to normal and shows the window, with the keyboard: the user asked.
    void OpenWindow();
    // Brings the window up for something that arrived, without taking the keyboard from
    // wherever the user is typing: another window of ours or another program's.
    void ShowIncoming();
    void suitempButton1Click();
    void suitempButton2Click();
    void suiButton1Click();
    void suitempComboBox1Change();
    void IdUDPServer1UDPRead(TIdUDPServer *Sender, const QByteArray &AData,
                             TIdSocketHandle *ABinding);

    // The service that sends and takes files; none, or one that is not running, disables the
    // file commands, with `offReason` as their tooltip when given.
    void setFileService(transfer::FileTransferService *service, const QString &offReason = {});
    void FileButtonClick();
    // Offers the files to the chosen recipient, in one offer.
    void SendFiles(const QStringList &paths);
    // Brings the file commands in line with the recipient and what the network said of it.
    void UpdateFileCommands();
    // How long a sender of offers must stay silent before its next offer alerts again.
    void setOfferQuietMs(qint64 ms) { m_offerAlerts.setQuietMs(ms); }

Q_SIGNALS:
    // An offer arrived that alerts the user (the first of its sender's burst).
    void offerAlert(const transfer::IncomingOffer &offer);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    void FormShow();
    void comeUp(bool activate);
    void FormActivate();
    void wireSession(ChatSession *session);
    void ShowRecipients(const QStringList &recipientItems);
    void FilesStarted(const StartReport &report);
    // The user's own and background colours.
    QColor OwnColor() const;
    QColor BackgroundColor() const;
    void AppendMessage(const QString &header, const QString &body, int colorIndex);
    void FinishSend();
    void buildFileControls(QBoxLayout *recipientRow, QBoxLayout *buttons);
    void wireFiles();
    // Whether the chosen recipient can be offered files: the copy's file port, or 0 and why not.
    struct FileReach {
        bool chosen = false; // the recipient box names a user
        QString nick;
        QString address;
        quint16 port = 0;
        QString why;
    };
    FileReach RecipientReach() const;
    void MakeRoomForTransfers();
    QStringList DroppedFiles(const QMimeData *data) const;
    bool TakeDrag(QDropEvent *event);
    void OfferReceived(const transfer::IncomingOffer &offer);
    void AcceptOffer(const QString &token);
    void FileTransferred(const QString &token, transfer::Direction direction, const QString &name,
                         qint64 size, const QString &path);
    void TransferFinished(const QString &token, const transfer::TransferEnd &end);
    void AlertOffer(const transfer::IncomingOffer &offer);

    ChatServices &m_services;
    ChatSession *m_session = nullptr;
    bool m_placed = false;
    transfer::FileTransferService *m_files = nullptr;
    QString m_filesOffReason;
    QString m_saveFolder;                   // where the last accepted files went
    QHash<QString, QString> m_transferPeer; // the other side's nick, by transfer token
    AlertGate m_offerAlerts;                // by sender address
    QElapsedTimer m_clock;
};

extern TForm4 *Form4;
