#include "PrivateWindow.h"

#include "ChatServices.h"
#include "ChatText.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "Datagram.h"
#include "DateTimeText.h"
#include "Dialogs.h"
#include "ErrorBox.h"
#include "FileRecord.h"
#include "FileTransferService.h"
#include "Guard.h"
#include "HistoryWindow.h"
#include "InputFormat.h"
#include "LogView.h"
#include "MainWindow.h"
#include "SessionTexts.h"
#include "TransferErrors.h"
#include "TransferPanel.h"
#include "TransferTexts.h"
#include "UdpEndpoints.h"
#include "UserTable.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextEdit>
#include <QVBoxLayout>

TForm4 *Form4 = nullptr;

namespace
{

QString ChooseRecipient()
{
    return QCoreApplication::translate("TForm4", "Выбери получателя...");
}

} // namespace

QString TForm4::ChooseUserPrompt()
{
    return tr("Выбери пользователя...");
}

TForm4::TForm4(ChatServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window), m_services(services)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(tr("Palavrix - приват"));
    buildControls();
    setMinimumSize(430, 315);
    resize(430, 360);

    m_clock.start();
    wireSession(&services.Session());
    setFileService(&services.Files());
    connect(&services, &ChatServices::started, this, Guarded(this, &TForm4::FilesStarted));
}

// File transfer is off until the start-up opened its port; a port that could not be opened
// says why on the file commands.
void TForm4::FilesStarted(const StartReport &report)
{
    QString off;
    if (report.FilesOff)
        off = tr("Передача файлов выключена в настройках");
    else if (report.FilesError)
        off = TransferErrorText(*report.FilesError);
    setFileService(&m_services.Files(), off);
}

void TForm4::ShowRecipients(const QStringList &recipientItems)
{
    QComboBox *box = ComboBox1;
    const QString previous = box->currentText();
    box->clear();
    box->addItems(recipientItems);
    const QString text = RecipientText(previous, recipientItems);
    const int index = int(recipientItems.indexOf(text));
    if (index >= 0)
        box->setCurrentIndex(index);
    else
        box->setEditText(text.isEmpty() ? ChooseUserPrompt() : text);
}

QColor TForm4::OwnColor() const
{
    return colorOf(m_services.Options().Values().FontColor);
}

QColor TForm4::BackgroundColor() const
{
    return colorOf(m_services.Options().Values().BGColor);
}

void TForm4::wireSession(ChatSession *session)
{
    m_session = session;
    IdUDPServer1 = session->PrivateServer;
    IdUDPClient1 = session->PrivateClient;
    connect(session, &ChatSession::usersRefreshed, this,
            Guarded([this](const QList<UsrInfo> &, const QStringList &items) {
                ShowRecipients(items);
            }));
    connect(session, &ChatSession::privateMessage, this, Guarded(this, &TForm4::AppendMessage));
    connect(session, &ChatSession::openPrivateWindow, this, Guarded(this, &TForm4::ShowIncoming));
    connect(session, &ChatSession::privateUnseen, this, Guarded([this] {
                if (!isActiveWindow())
                    Form1->PrivateAlert(true);
            }));
}

void TForm4::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    RichEdit1 = new LogView(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    layout->addWidget(RichEdit1, 1);

    auto *recipientRow = new QHBoxLayout;
    RecipientLabel = new QLabel(tr("Получатель:"), this);
    RecipientLabel->setTextFormat(Qt::PlainText);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setEditText(ChooseRecipient());
    // Peers choose their nicks, up to 8 KB each: the list measures one item, not every one.
    static_cast<QListView *>(ComboBox1->view())->setUniformItemSizes(true);
    recipientRow->addWidget(RecipientLabel);
    recipientRow->addWidget(ComboBox1, 1);
    layout->addLayout(recipientRow);

    RichEdit2 = new QTextEdit(this);
    RichEdit2->setObjectName(QStringLiteral("RichEdit2"));
    RichEdit2->setAcceptRichText(false);
    RichEdit2->setFixedHeight(60);
    RichEdit2->setToolTip(
        tr("Введите текст сообщения и нажмите конпку \"Отправить\" (или \"CTRL + Enter\")"));
    RichEdit2->installEventFilter(this);
    RichEdit1->installEventFilter(this);
    layout->addWidget(RichEdit2);

    auto *buttons = new QHBoxLayout;
    suiButton1 = new QPushButton(tr("История"), this);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    Button2 = new QPushButton(tr("Очистить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button1 = new QPushButton(tr("Отправить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    buttons->addWidget(suiButton1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    buildFileControls(recipientRow, buttons);
    buttons->addWidget(Button1);
    layout->addLayout(buttons);
    layout->insertWidget(1, Transfers);

    connect(Button1, &QPushButton::clicked, this, Guarded([this] { suitempButton1Click(); }));
    connect(Button2, &QPushButton::clicked, this, Guarded([this] { suitempButton2Click(); }));
    connect(suiButton1, &QPushButton::clicked, this, Guarded([this] { suiButton1Click(); }));
    connect(ComboBox1, &QComboBox::activated, this, Guarded(this, &TForm4::suitempComboBox1Change));
    connect(ComboBox1, &QComboBox::editTextChanged, this,
            Guarded(this, &TForm4::UpdateFileCommands));
}

void TForm4::buildFileControls(QBoxLayout *recipientRow, QBoxLayout *buttons)
{
    FileCapability = new QLabel(this);
    FileCapability->setObjectName(QStringLiteral("FileCapability"));
    FileCapability->setTextFormat(Qt::PlainText);
    recipientRow->addWidget(FileCapability);
    FileButton = new QPushButton(tr("Отправить файл..."), this);
    FileButton->setObjectName(QStringLiteral("FileButton"));
    buttons->addWidget(FileButton);
    SendFileAction = new QAction(tr("Отправить файл..."), this);
    SendFileAction->setObjectName(QStringLiteral("SendFileAction"));
    RichEdit1->addAction(SendFileAction);
    Transfers = new TransferPanel(this);
    setAcceptDrops(true);
    // The input box would take dropped files as text: they go to the window instead.
    RichEdit2->viewport()->installEventFilter(this);

    connect(FileButton, &QPushButton::clicked, this, Guarded(this, &TForm4::FileButtonClick));
    connect(SendFileAction, &QAction::triggered, this, Guarded(this, &TForm4::FileButtonClick));
    connect(Transfers, &TransferPanel::acceptClicked, this, Guarded(this, &TForm4::AcceptOffer));
    connect(Transfers, &TransferPanel::grew, this, Guarded(this, &TForm4::MakeRoomForTransfers));
    connect(Transfers, &TransferPanel::declineClicked, this, [this](const QString &token) {
        if (m_files)
            m_files->decline(token);
    });
    connect(Transfers, &TransferPanel::cancelClicked, this, [this](const QString &token) {
        if (m_files)
            m_files->cancel(token);
    });
}

void TForm4::OpenWindow()
{
    comeUp(true);
}

void TForm4::ShowIncoming()
{
    comeUp(false);
}

void TForm4::comeUp(bool activate)
{
    if (!isVisible() && !m_placed && Form1) {
        // The first showing is centred on the main window.
        CentreOnMainWindow(this);
        m_placed = true;
    }
    setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    if (activate)
        activateWindow();
}

void TForm4::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TForm4::FormShow()
{
    const QColor background = BackgroundColor();
    if (background.isValid()) {
        setBaseColor(RichEdit1, background);
        setBaseColor(RichEdit2, background);
    }
    RichEdit2->setTextColor(OwnColor());
    RichEdit2->setFocus();
    Form1->PrivateAlert(false);
}

void TForm4::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TForm4::FormActivate()
{
    if (Form1)
        Form1->PrivateAlert(false);
}

bool TForm4::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == RichEdit2->viewport() &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto *drop = static_cast<QDropEvent *>(event);
        if (DroppedFiles(drop->mimeData()).isEmpty())
            return QWidget::eventFilter(watched, event);
        if (type == QEvent::Drop)
            dropEvent(drop);
        else
            TakeDrag(drop);
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & Qt::ControlModifier)) {
            Button1->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm4::suitempButton1Click()
{
    const QString t = ComboBox1->currentText();
    if (t.isEmpty() || t == ChooseRecipient() || t == ChooseUserPrompt()) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             tr("Получатель сообщения не выбран!"));
        FinishSend();
        return;
    }
    if (InputText(RichEdit2).isEmpty()) {
        Dialogs::information(this, QStringLiteral("Palavrix"),
                             tr("Введите текст сообщения для отправки!"));
        FinishSend();
        return;
    }
    const QString text = OutgoingText(InputText(RichEdit2));
    if (InputBoxText(text) != InputText(RichEdit2))
        RichEdit2->setPlainText(InputBoxText(text));
    try {
        m_session->SendPrivate(t, text);
    } catch (const EMessageTooLong &error) {
        throw AppError(MessageTooLongText(error));
    }
    RichEdit2->clear();
    RichEdit2->setFocus();
    FinishSend();
}

void TForm4::FinishSend()
{
    RichEdit1->ScrollToEnd();
    ResetInputFormat(RichEdit2, OwnColor());
}

void TForm4::AppendMessage(const QString &header, const QString &body, int colorIndex)
{
    // The body keeps the header's bold, as the conversation has always shown it.
    const QColor color = colorOf(colorIndex);
    RichEdit1->AppendLine(header, color, true);
    RichEdit1->AppendLine(body, color, true);
    RichEdit1->ScrollToEnd();
}

void TForm4::suitempButton2Click()
{
    if (Dialogs::question(this, QStringLiteral("Palavrix"), tr("Очистить экран?")) ==
        Dialogs::Answer::Ok)
        RichEdit1->Clear();
}

void TForm4::suiButton1Click()
{
    HForm->show();
    HForm->raise();
    HForm->activateWindow();
}

void TForm4::suitempComboBox1Change()
{
    RichEdit2->setFocus();
}

void TForm4::IdUDPServer1UDPRead(TIdUDPServer *, const QByteArray &AData, TIdSocketHandle *ABinding)
{
    m_session->PrivateRead(AData, ABinding);
}

// Files.

void TForm4::setFileService(transfer::FileTransferService *service, const QString &offReason)
{
    if (m_files) {
        m_files->disconnect(this);
        m_files->disconnect(Transfers);
    }
    m_files = service;
    m_filesOffReason = offReason;
    if (m_files)
        wireFiles();
    UpdateFileCommands();
}

void TForm4::wireFiles()
{
    using transfer::FileTransferService;
    connect(m_files, &FileTransferService::peersChanged, this,
            Guarded(this, &TForm4::UpdateFileCommands));
    connect(m_files, &FileTransferService::offerReceived, this,
            Guarded(this, &TForm4::OfferReceived));
    connect(m_files, &FileTransferService::progress, Transfers, &TransferPanel::showProgress);
    connect(m_files, &FileTransferService::stalled, Transfers, &TransferPanel::showStalled);
    connect(m_files, &FileTransferService::fileTransferred, this,
            Guarded(this, &TForm4::FileTransferred));
    connect(m_files, &FileTransferService::finished, this,
            Guarded(this, &TForm4::TransferFinished));
}

TForm4::FileReach TForm4::RecipientReach() const
{
    FileReach reach;
    const QString t = ComboBox1->currentText();
    const Recipient to = SplitRecipientItem(t);
    reach.chosen = t != ChooseRecipient() && t != ChooseUserPrompt() && !to.Nick.isEmpty() &&
                   !QHostAddress(to.IP).isNull();
    reach.nick = to.Nick;
    reach.address = to.IP;
    if (!m_files || !m_files->isRunning())
        reach.why = m_filesOffReason.isEmpty() ? tr("Передача файлов выключена") : m_filesOffReason;
    else if (!reach.chosen)
        reach.why = tr("Получатель не выбран");
    else if ((reach.port = m_files->peerPort(QHostAddress(to.IP))) == 0)
        reach.why = tr("%1 не может принять файлы: его копия программы старой версии "
                       "или передача файлов в ней выключена")
                        .arg(to.Nick);
    return reach;
}

void TForm4::UpdateFileCommands()
{
    const FileReach reach = RecipientReach();
    const bool can = reach.port != 0;
    const QString tip = can ? tr("Отправить файлы пользователю %1").arg(reach.nick) : reach.why;
    FileButton->setEnabled(can);
    FileButton->setToolTip(tip);
    SendFileAction->setEnabled(can);
    SendFileAction->setToolTip(tip);
    FileCapability->setToolTip(tip);
    if (!reach.chosen || !m_files || !m_files->isRunning())
        FileCapability->clear();
    else
        FileCapability->setText(can ? tr("принимает файлы") : tr("не принимает файлы"));
}

void TForm4::FileButtonClick()
{
    QStringList paths;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    if (Dialogs::openFileNames(this, tr("Отправить файлы"), folder, paths) == Dialogs::Answer::Ok)
        SendFiles(paths);
}

void TForm4::SendFiles(const QStringList &paths)
{
    const FileReach to = RecipientReach();
    if (to.port == 0) {
        Dialogs::information(this, QStringLiteral("Palavrix"), to.why);
        return;
    }
    QString token;
    try {
        token = m_files->offerFiles(QHostAddress(to.address), to.port, paths);
    } catch (const ETransferError &error) {
        ShowErrorBox(TransferErrorText(error));
        return;
    }
    QStringList names;
    qint64 total = 0;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        names.append(info.fileName());
        total += info.size();
    }
    m_transferPeer.insert(token, to.nick);
    Transfers->addOutgoing(token, to.nick, names, total);
}

// A window too low for the transfer rows grows, so the recipient and the input keep their room.
void TForm4::MakeRoomForTransfers()
{
    layout()->activate();
    const int need = layout()->minimumSize().height();
    if (height() < need)
        resize(width(), need);
}

QStringList TForm4::DroppedFiles(const QMimeData *data) const
{
    QStringList paths;
    if (data == nullptr || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

bool TForm4::TakeDrag(QDropEvent *event)
{
    const bool take = FileButton->isEnabled() && !DroppedFiles(event->mimeData()).isEmpty();
    if (take)
        event->acceptProposedAction();
    else
        event->ignore();
    return take;
}

void TForm4::dragEnterEvent(QDragEnterEvent *event)
{
    TakeDrag(event);
}

void TForm4::dragMoveEvent(QDragMoveEvent *event)
{
    TakeDrag(event);
}

void TForm4::dropEvent(QDropEvent *event)
{
    const QStringList paths = DroppedFiles(event->mimeData());
    if (paths.isEmpty())
        return event->ignore();
    event->acceptProposedAction();
    Guarded([this, paths] { SendFiles(paths); })();
}

void TForm4::OfferReceived(const transfer::IncomingOffer &offer)
{
    if (!Transfers->addIncoming(offer)) {
        // So many offers wait for an answer already that this one is turned down unseen.
        if (m_files)
            m_files->decline(offer.token);
        return;
    }
    m_transferPeer.insert(offer.token, offer.nick);
    if (m_offerAlerts.pass(AddressText(offer.sender), m_clock.elapsed()))
        AlertOffer(offer);
}

// An offer comes up like a private message: the window opens, or the private button blinks.
void TForm4::AlertOffer(const transfer::IncomingOffer &offer)
{
    Q_EMIT offerAlert(offer);
    const ChatSettings settings = m_session->Settings();
    if (settings.SoundOnPrivate)
        m_session->RequestSound(QStringLiteral("PrivateMsgRcvd.wav"));
    if (settings.OpenOnPrivate)
        ShowIncoming();
    else if (!isActiveWindow())
        Form1->PrivateAlert(true);
}

void TForm4::AcceptOffer(const QString &token)
{
    QString folder = m_saveFolder;
    if (folder.isEmpty()) {
        // The download folder is made the first time, as a browser would, so it can be chosen.
        folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QDir().mkpath(folder);
    }
    if (Dialogs::existingFolder(this, tr("Куда сохранить файлы?"), folder) != Dialogs::Answer::Ok)
        return;
    try {
        m_files->accept(token, folder);
    } catch (const ETransferError &error) {
        ShowErrorBox(TransferErrorText(error));
        return;
    }
    m_saveFolder = folder;
    Transfers->markAccepted(token);
}

void TForm4::FileTransferred(const QString &token, transfer::Direction direction,
                             const QString &name, qint64 size, const QString &)
{
    const bool incoming = direction == transfer::Direction::Incoming;
    const ChatSettings settings = m_session->Settings();
    RichEdit1->AppendLine(FileLineText(direction, name, size), colorOf(settings.NoticeColorIndex));
    // The history keeps the line every copy stores, whatever language this window speaks.
    m_session->RecordPrivateLine(m_transferPeer.value(token),
                                 transfer::FileHistoryLine(direction, name, size), incoming);
}

void TForm4::TransferFinished(const QString &token, const transfer::TransferEnd &end)
{
    m_transferPeer.remove(token);
    Transfers->showEnd(token, end.outcome, TransferEndText(end));
}
