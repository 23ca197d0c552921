#pragma once

#include <QWidget>

class LogView;
class QComboBox;
class QPushButton;
class QTextEdit;
class TIdSocketHandle;
class TIdUDPClient;
class TIdUDPServer;

// The private conversation window.
class TForm4 final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm4)
public:
    explicit TForm4(QWidget *parent = nullptr);

    LogView *RichEdit1 = nullptr;   // the conversation
    QComboBox *ComboBox1 = nullptr; // the recipient box
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *suiButton1 = nullptr;
    QTextEdit *RichEdit2 = nullptr; // the message input
    TIdUDPServer *IdUDPServer1 = nullptr;
    TIdUDPClient *IdUDPClient1 = nullptr;

    // Sets the window state to normal and shows the window.
    void OpenWindow();
    void IdUDPServer1UDPRead(TIdUDPServer *Sender, const QByteArray &AData,
                             TIdSocketHandle *ABinding);
};

extern TForm4 *Form4;
