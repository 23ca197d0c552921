#pragma once

#include <QWidget>

class ChatSession;
class LogView;
class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;
class TIdSocketHandle;
class TIdUDPClient;
class TIdUDPServer;

// The private conversation window: messages to and from one chosen peer.
class TForm4 final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm4)
public:
    explicit TForm4(QWidget *parent = nullptr);

    LogView *RichEdit1 = nullptr; // the conversation
    QLabel *RecipientLabel = nullptr;
    QComboBox *ComboBox1 = nullptr;    // the recipient box
    QPushButton *Button1 = nullptr;    // "Отправить"
    QPushButton *Button2 = nullptr;    // "Очистить"
    QPushButton *suiButton1 = nullptr; // "История"
    QTextEdit *RichEdit2 = nullptr;    // the message input
    // The chat's private endpoints.
    TIdUDPServer *IdUDPServer1 = nullptr;
    TIdUDPClient *IdUDPClient1 = nullptr;

    // Sets the window state to normal and shows the window.
    void OpenWindow();
    void suitempButton1Click();
    void suitempButton2Click();
    void suiButton1Click();
    void suitempComboBox1Change();
    void IdUDPServer1UDPRead(TIdUDPServer *Sender, const QByteArray &AData,
                             TIdSocketHandle *ABinding);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void FormShow();
    void FormActivate();
    void wireSession(ChatSession *session);
    void AppendMessage(const QString &header, const QString &body, int colorIndex);
    void FinishSend();

    ChatSession *m_session = nullptr;
    bool m_placed = false;
};

extern TForm4 *Form4;
