#include "SettingsWindow.h"

#include "Guard.h"
#include "SkinEngine.h"
#include "WindowPlacement.h"

#include "AboutWindow.h"
#include "AppPaths.h"
#include "Autorun.h"
#include "ChatServices.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "Dialogs.h"
#include "HistoryWindow.h"
#include "HostAddress.h"
#include "MainWindow.h"
#include "NickRefusal.h"
#include "PlainLabel.h"
#include "SkinSearch.h"
#include "TransferProtocol.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

TForm2 *Form2 = nullptr;

namespace
{

constexpr Qt::WindowFlags WindowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint;
constexpr int ClientWidth = 416;
constexpr int ClientHeight = 465;
constexpr int EdgeMargin = 6;   // between the window edge and the pages
constexpr int ButtonMargin = 8; // between the window edges and "OK"
constexpr QSize ButtonSize{75, 25};
constexpr int StyleItemHeight = 16;

constexpr int OpacityMin = 1, OpacityMax = 17; // TrackBar1: opacity = 15 × position
constexpr int RefreshMin = 1, RefreshMax = 24; // TrackBar2: seconds = RefreshStepSeconds × position
constexpr int OpacityStep = 15;

// The style list: its items keep one fixed height, and a row chosen with the keyboard is
// reported like a click.
class StyleList final : public QListWidget
{
public:
    explicit StyleList(QWidget *parent) : QListWidget(parent) {}
    std::function<void()> onKeySelect;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int before = currentRow();
        QListWidget::keyPressEvent(event);
        if (currentRow() != before && onKeySelect)
            onKeySelect();
    }
};

class FixedHeightDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), StyleItemHeight};
    }
};

QLabel *wrappedLabel(const QString &name, const QString &text)
{
    QLabel *label = PlainLabel(name, text);
    label->setWordWrap(true);
    return label;
}

QCheckBox *checkBox(const QString &name, const QString &text, bool checked)
{
    auto *box = new QCheckBox(text);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QRadioButton *radioButton(const QString &name, const QString &text)
{
    auto *button = new QRadioButton(text);
    button->setObjectName(name);
    return button;
}

QLineEdit *editBox(const QString &name, const QString &text = {})
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(name);
    return edit;
}

QSlider *trackBar(const QString &name, int min, int max, int position)
{
    auto *slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(name);
    slider->setRange(min, max);
    slider->setValue(position);
    slider->setSingleStep(1);
    slider->setPageStep(2);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

ColorBox *colorBox(const QString &name, int index, bool enabled)
{
    auto *box = new ColorBox;
    box->setObjectName(name);
    box->selectIndex(index);
    box->setEnabled(enabled);
    box->setMinimumWidth(130);
    return box;
}

// A group box with a vertical layout holding `widgets` in order.
QGroupBox *groupBox(const QString &name, const QString &title,
                    std::initializer_list<QWidget *> widgets)
{
    auto *box = new QGroupBox(title);
    box->setObjectName(name);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(8, 2, 8, 4);
    layout->setSpacing(2);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    return box;
}

QVBoxLayout *pageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    return layout;
}

// Two group boxes side by side, sharing the width equally.
QHBoxLayout *pair(QGroupBox *left, QGroupBox *right)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(left, 1);
    row->addWidget(right, 1);
    return row;
}

void enableAll(std::initializer_list<QWidget *> widgets, bool enabled)
{
    for (QWidget *widget : widgets)
        widget->setEnabled(enabled);
}

} // namespace

TForm2::TForm2(ChatServices &services, QWidget *parent)
    : QWidget(parent, WindowFlags), m_services(&services)
{
    build();
    TrackBar1->setToolTip(QString::number(AlphaBlendValue()));
    TrackBar2->setToolTip(QString::number(RefreshStepSeconds * TrackBar2->value()) + tr(" сек."));
    wireEvents();
    connect(&services, &ChatServices::networkChosen, this,
            Guarded(this, &TForm2::ShowNetworkChoice));
}

TForm2::TForm2(Measuring) : QWidget(nullptr, WindowFlags)
{
    build();
}

void TForm2::build()
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(tr("Настройки"));
    setFixedSize(ClientWidth, ClientHeight);

    suiPageControl1 = new QTabWidget(this);
    suiPageControl1->setObjectName(QStringLiteral("suiPageControl1"));
    suiTabSheet1 = buildMainPage();
    suiTabSheet2 = buildStylesPage();
    suiTabSheet3 = buildColorsPage();
    suiTabSheet4 = buildNetworkPage();
    suiPageControl1->addTab(suiTabSheet1, tr("Главные"));
    suiPageControl1->addTab(suiTabSheet2, tr("Стили"));
    suiPageControl1->addTab(suiTabSheet3, tr("Цвета"));
    suiPageControl1->addTab(suiTabSheet4, tr("Сеть"));
    suiPageControl1->setCurrentIndex(0);

    const int buttonTop = ClientHeight - ButtonMargin - ButtonSize.height();
    suiPageControl1->setGeometry(EdgeMargin, EdgeMargin, ClientWidth - 2 * EdgeMargin,
                                 buttonTop - 2 * EdgeMargin);
    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(
        QRect(QPoint(ClientWidth - ButtonMargin - ButtonSize.width(), buttonTop), ButtonSize));
}

TForm2::~TForm2()
{
    // The nick box loses the focus as the window goes: its check must not run then.
    Edit1->disconnect(this);
}

QWidget *TForm2::buildMainPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("suiTabSheet1"));

    CheckBox5 = checkBox(QStringLiteral("CheckBox5"), tr("Регулировать прозрачность"), false);
    Label1 = PlainLabel(QStringLiteral("Label1"), tr("Уровень прозрачности"));
    TrackBar1 = trackBar(QStringLiteral("TrackBar1"), OpacityMin, OpacityMax, OpacityMax);
    GroupBox1 =
        groupBox(QStringLiteral("GroupBox1"), tr("Прозрачность"), {CheckBox5, Label1, TrackBar1});

    Label2 = PlainLabel(QStringLiteral("Label2"), tr("Обновлять каждые - "));
    TrackBar2 = trackBar(QStringLiteral("TrackBar2"), RefreshMin, RefreshMax, RefreshMin);
    GroupBox2 = groupBox(QStringLiteral("GroupBox2"), tr("Обновление списка пользователей"),
                         {Label2, TrackBar2});
    static_cast<QVBoxLayout *>(GroupBox2->layout())->addStretch();

    CheckBox1 = checkBox(QStringLiteral("CheckBox1"), tr("Показать время сообщения"), true);
    CheckBox2 = checkBox(QStringLiteral("CheckBox2"), tr("Показывать IP отправителя"), false);
    GroupBox7 = groupBox(QStringLiteral("GroupBox7"), tr("Текст входящего сообщения"),
                         {CheckBox1, CheckBox2});

    RadioButton1 = radioButton(QStringLiteral("RadioButton1"), tr("Свернуто"));
    RadioButton2 = radioButton(QStringLiteral("RadioButton2"), tr("Нормально"));
    RadioButton2->setChecked(true);
    GroupBox6 = groupBox(QStringLiteral("GroupBox6"), tr("Главное окно при старте"),
                         {RadioButton1, RadioButton2});

    CheckBox4 =
        checkBox(QStringLiteral("CheckBox4"), tr("Звуковой сигнал при получении сообщения"), true);
    CheckBox3 = checkBox(QStringLiteral("CheckBox3"),
                         tr("Разворачивать главное окно при получении сообщения"), true);
    GroupBox3 =
        groupBox(QStringLiteral("GroupBox3"), tr("Главное окно чата"), {CheckBox4, CheckBox3});

    CheckBox7 = checkBox(QStringLiteral("CheckBox7"),
                         tr("Звуковой сигнал при получении приватного сообщения"), true);
    CheckBox6 = checkBox(QStringLiteral("CheckBox6"),
                         tr("Разворачивать окно привата при получении приватного сообщения"), true);
    GroupBox4 = groupBox(QStringLiteral("GroupBox4"), tr("Приват"), {CheckBox7, CheckBox6});

    CheckBox8 = checkBox(QStringLiteral("CheckBox8"), tr("Быстрый вход в чат"), false);
    Label3 = PlainLabel(QStringLiteral("Label3"), tr("Ник для входа"));
    Edit1 = editBox(QStringLiteral("Edit1"));
    // In line with the unchecked box: restoring AutoLogon=0 changes no state, so runs no
    // handler that would disable them.
    enableAll({Label3, Edit1}, false);
    GroupBox5 = groupBox(QStringLiteral("GroupBox5"), tr("Вход в чат"), {CheckBox8});
    auto *nickRow = new QHBoxLayout;
    nickRow->addWidget(Label3);
    nickRow->addWidget(Edit1, 1);
    static_cast<QVBoxLayout *>(GroupBox5->layout())->addLayout(nickRow);

    CheckBox14 = checkBox(QStringLiteral("CheckBox14"),
                          tr("О приватных сообщениях\nи обращениях по нику"), true);
    GroupBox8 = groupBox(QStringLiteral("GroupBox8"), tr("Уведомления"), {CheckBox14});

    CheckBox11 = checkBox(QStringLiteral("CheckBox11"), tr("Добавить в автозагрузку"), false);
    suiGroupBox6 = groupBox(QStringLiteral("suiGroupBox6"), QString(), {CheckBox11});
    suiGroupBox6->setVisible(false);

    QVBoxLayout *layout = pageLayout(page);
    layout->addLayout(pair(GroupBox1, GroupBox2));
    layout->addLayout(pair(GroupBox7, GroupBox6));
    layout->addWidget(GroupBox3);
    layout->addWidget(GroupBox4);
    layout->addLayout(pair(GroupBox5, GroupBox8));
    layout->addWidget(suiGroupBox6);
    layout->addStretch();
    return page;
}

QWidget *TForm2::buildStylesPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("suiTabSheet2"));

    auto *styles = new StyleList(page);
    styles->onKeySelect = [this] { ListBox1Click(); };
    ListBox1 = styles;
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setItemDelegate(new FixedHeightDelegate(ListBox1));
    ListBox1->setUniformItemSizes(true);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    m_downloadText =
        wrappedLabel(QStringLiteral("DownloadText"),
                     tr("Как сделать свой стиль оформления, рассказывает документация программы:"));
    const QString themesDocument = apppaths::SharedFile(QStringLiteral("docs/themes.md"));
    suiURLLabel1 = new URLLabel(QStringLiteral("themes.md"), QUrl::fromLocalFile(themesDocument));
    suiURLLabel1->setObjectName(QStringLiteral("suiURLLabel1"));
    suiURLLabel1->setToolTip(QDir::toNativeSeparators(themesDocument));
    suiGroupBox1 = groupBox(QStringLiteral("suiGroupBox1"), tr("Дополнительные стили"),
                            {m_downloadText, suiURLLabel1});

    m_installText =
        wrappedLabel(QStringLiteral("InstallText"),
                     tr("Чтобы установить стиль оформления, положите файл стиля (файл с "
                        "расширением *.sui) в папку стилей этой программы: \"%1\".")
                         .arg(QDir::toNativeSeparators(SkinsFolder())));
    suiGroupBox2 =
        groupBox(QStringLiteral("suiGroupBox2"), tr("Установка стилей"), {m_installText});

    auto *right = new QVBoxLayout;
    right->setSpacing(6);
    right->addWidget(suiGroupBox1);
    right->addWidget(suiGroupBox2);
    right->addStretch();

    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(ListBox1, 2);
    layout->addLayout(right, 3);
    return page;
}

QWidget *TForm2::buildColorsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("suiTabSheet3"));

    CheckBox9 = checkBox(QStringLiteral("CheckBox9"),
                         tr("Игнорировать настройки цвета входящих сообщений"), false);
    Label5 =
        wrappedLabel(QStringLiteral("Label5"), tr("Заменять цвет входящих сообщений на цвет:"));
    Label5->setEnabled(false);
    ColorBox1 = colorBox(QStringLiteral("ColorBox1"), colors::Black, false);
    suiGroupBox3 =
        groupBox(QStringLiteral("suiGroupBox3"), tr("Главное окно чата/приват"), {CheckBox9});
    auto *replaceRow = new QHBoxLayout;
    replaceRow->addWidget(Label5, 1);
    replaceRow->addWidget(ColorBox1);
    static_cast<QVBoxLayout *>(suiGroupBox3->layout())->addLayout(replaceRow);

    CheckBox10 = checkBox(QStringLiteral("CheckBox10"),
                          tr("Использовать выбранные цвета для подсветки сообщений"), false);
    Label6 = PlainLabel(QStringLiteral("Label6"), tr("Входящие:"));
    Label6->setEnabled(false);
    ColorBox2 = colorBox(QStringLiteral("ColorBox2"), colors::Red, false);
    Label8 = PlainLabel(QStringLiteral("Label8"), tr("Исходящие:"));
    Label8->setEnabled(false);
    ColorBox3 = colorBox(QStringLiteral("ColorBox3"), colors::Navy, false);
    suiGroupBox4 = groupBox(QStringLiteral("suiGroupBox4"), tr("История сообщений"), {CheckBox10});
    auto *historyGrid = new QGridLayout;
    historyGrid->addWidget(Label6, 0, 0);
    historyGrid->addWidget(ColorBox2, 0, 1);
    historyGrid->addWidget(Label8, 1, 0);
    historyGrid->addWidget(ColorBox3, 1, 1);
    historyGrid->setColumnStretch(2, 1);
    static_cast<QVBoxLayout *>(suiGroupBox4->layout())->addLayout(historyGrid);

    Label9 =
        wrappedLabel(QStringLiteral("Label9"), tr("Заменять цвет системных сообщений на цвет:"));
    ColorBox4 = colorBox(QStringLiteral("ColorBox4"), colors::MedGray, true);
    suiGroupBox5 = groupBox(QStringLiteral("suiGroupBox5"), tr("Системные сообщения"), {});
    auto *systemRow = new QHBoxLayout;
    systemRow->addWidget(Label9, 1);
    systemRow->addWidget(ColorBox4);
    static_cast<QVBoxLayout *>(suiGroupBox5->layout())->addLayout(systemRow);

    QVBoxLayout *layout = pageLayout(page);
    layout->addWidget(suiGroupBox3);
    layout->addWidget(suiGroupBox4);
    layout->addWidget(suiGroupBox5);
    layout->addStretch();
    return page;
}

QWidget *TForm2::buildNetworkPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("suiTabSheet4"));

    Label10 =
        wrappedLabel(QStringLiteral("Label10"),
                     tr("Этот раздел настроек предназначен для опытных пользователей! "
                        "Категорически не рекомендую изменять параметры этого раздела настроек "
                        "если вы не уверены в том, что до конца понимаете значение параметров."));
    suiGroupBox8 = groupBox(QStringLiteral("suiGroupBox8"), tr("Внимание!!!"), {Label10});
    QFont bold = suiGroupBox8->font();
    bold.setBold(true);
    suiGroupBox8->setFont(bold);
    QFont regular = Label10->font();
    regular.setBold(false);
    Label10->setFont(regular);

    CheckBox12 =
        checkBox(QStringLiteral("CheckBox12"), tr("Изменить широковещательный IP адрес"), false);
    Edit2 = editBox(QStringLiteral("Edit2"), QStringLiteral("127.0.0.1"));
    Edit2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit2->setEnabled(false);
    Edit2->setFixedWidth(110);
    suiGroupBox7 = groupBox(QStringLiteral("suiGroupBox7"), tr("Широковещательный IP"), {});
    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(CheckBox12, 1);
    addressRow->addWidget(Edit2);
    static_cast<QVBoxLayout *>(suiGroupBox7->layout())->addLayout(addressRow);
    Label15 = PlainLabel(QStringLiteral("Label15"), QString());
    Label15->setTextInteractionFlags(Qt::TextSelectableByMouse);
    suiGroupBox7->layout()->addWidget(Label15);

    CheckBox13 = checkBox(QStringLiteral("CheckBox13"), tr("Изменить порты"), false);
    Label11 = PlainLabel(QStringLiteral("Label11"), tr("Общий чат (общие сообщения)"));
    Label12 = PlainLabel(QStringLiteral("Label12"), tr("Приват (личные сообщения)"));
    Label13 = PlainLabel(QStringLiteral("Label13"), tr("Служебные сообщения"));
    Edit3 = editBox(QStringLiteral("Edit3"));
    Edit4 = editBox(QStringLiteral("Edit4"));
    Edit5 = editBox(QStringLiteral("Edit5"));
    suiGroupBox9 = groupBox(QStringLiteral("suiGroupBox9"), tr("Порты"), {CheckBox13});
    auto *ports = new QGridLayout;
    ports->setVerticalSpacing(4);
    int row = 0;
    for (const auto &[label, edit] :
         {std::pair{Label11, Edit3}, {Label12, Edit4}, {Label13, Edit5}}) {
        label->setEnabled(false);
        edit->setEnabled(false);
        edit->setFixedWidth(110);
        ports->addWidget(label, row, 0);
        ports->addWidget(edit, row, 1);
        ++row;
    }
    Label16 = PlainLabel(QStringLiteral("Label16"), tr("Передача файлов (0 - выключена)"));
    SpinEdit1 = new QSpinBox;
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(0, 65535);
    SpinEdit1->setValue(transfer::DefaultFilePort);
    SpinEdit1->setFixedWidth(110);
    ports->addWidget(Label16, row, 0);
    ports->addWidget(SpinEdit1, row, 1);
    ports->setColumnStretch(0, 1);
    static_cast<QVBoxLayout *>(suiGroupBox9->layout())->addLayout(ports);

    Label14 = wrappedLabel(QStringLiteral("Label14"),
                           tr("Для применения измененных параметров этого раздела необходимо "
                              "перезапустить программу."));
    QFont boldText = Label14->font();
    boldText.setBold(true);
    Label14->setFont(boldText);
    suiGroupBox10 = groupBox(QStringLiteral("suiGroupBox10"), QString(), {Label14});

    QVBoxLayout *layout = pageLayout(page);
    layout->addWidget(suiGroupBox8);
    layout->addWidget(suiGroupBox7);
    layout->addWidget(suiGroupBox9);
    layout->addWidget(suiGroupBox10);
    layout->addStretch();
    return page;
}

void TForm2::wireEvents()
{
    connect(CheckBox5, &QCheckBox::toggled, this, Guarded(this, &TForm2::suitempCheckBox5Click));
    connect(TrackBar1, &QSlider::valueChanged, this,
            Guarded(this, &TForm2::suitempTrackBar1Change));
    connect(TrackBar2, &QSlider::valueChanged, this,
            Guarded(this, &TForm2::suitempTrackBar2Change));
    connect(CheckBox8, &QCheckBox::toggled, this, Guarded(this, &TForm2::suitempCheckBox8Click));
    connect(Edit1, &QLineEdit::editingFinished, this, Guarded(this, &TForm2::Edit1Exit));
    connect(CheckBox9, &QCheckBox::toggled, this, Guarded(this, &TForm2::CheckBox9Click));
    connect(CheckBox10, &QCheckBox::toggled, this, Guarded(this, &TForm2::CheckBox10Click));
    connect(CheckBox11, &QCheckBox::toggled, this, Guarded(this, &TForm2::CheckBox11Click));
    connect(CheckBox12, &QCheckBox::toggled, this, Guarded(this, &TForm2::CheckBox12Click));
    connect(CheckBox13, &QCheckBox::toggled, this, Guarded(this, &TForm2::CheckBox13Click));
    connect(ListBox1, &QListWidget::itemClicked, this, Guarded(this, &TForm2::ListBox1Click));
    connect(Button1, &QPushButton::clicked, this, Guarded(this, &TForm2::suitempButton1Click));
}

// The fit is worked out when the window is first shown rather than at start-up, so a run
// that never shows it never loads the narrower fonts; it is worked out on a copy of the pages
// as built, so nothing set or styled since changes the outcome.
void TForm2::fitFont()
{
    if (std::exchange(m_fitted, true))
        return;
    if (const std::optional<QFont> fitting = TForm2(Measuring{}).fittingFont())
        setFont(*fitting);
}

std::optional<QFont> TForm2::fittingFont()
{
    // The captions are not wrapped: with a wide font the window's text gets smaller and
    // then narrower until every page fits its width.
    const int width = suiPageControl1->width() - 4;
    const auto fits = [&] {
        for (int i = 0; i < suiPageControl1->count(); ++i) {
            if (suiPageControl1->widget(i)->minimumSizeHint().width() > width)
                return false;
        }
        return true;
    };
    std::optional<QFont> fitting;
    QFont smaller = font();
    for (const int stretch :
         {int(QFont::Unstretched), int(QFont::SemiCondensed), int(QFont::Condensed)}) {
        if (fits())
            return fitting;
        smaller.setPointSizeF(std::min(smaller.pointSizeF(), 8.0));
        smaller.setStretch(stretch);
        setFont(smaller);
        fitting = smaller;
    }
    return fitting;
}

bool TForm2::AlphaBlend() const
{
    return CheckBox5->isChecked();
}

int TForm2::AlphaBlendValue() const
{
    return OpacityStep * TrackBar1->value();
}

void TForm2::applyTranslucency() const
{
    if (Form1)
        Form1->setWindowOpacity(AlphaBlend() ? AlphaBlendValue() / 255.0 : 1.0);
}

void TForm2::suitempCheckBox5Click()
{
    const bool on = CheckBox5->isChecked();
    applyTranslucency();
    if (!on)
        TrackBar1->setValue(OpacityMax);
    TrackBar1->setEnabled(on);
}

void TForm2::suitempTrackBar1Change()
{
    TrackBar1->setToolTip(QString::number(AlphaBlendValue()));
    applyTranslucency();
}

void TForm2::suitempTrackBar2Change()
{
    const QString seconds = QString::number(RefreshStepSeconds * TrackBar2->value());
    TrackBar2->setToolTip(seconds + tr(" сек."));
    Label2->setText(tr("Обновлять каждые - ") + seconds + tr(" сек."));
}

void TForm2::suitempCheckBox8Click()
{
    const bool on = CheckBox8->isChecked();
    enableAll({Edit1, Label3}, on);
    Edit1->setText(on ? m_services->Session().OwnNick() : QString());
}

void TForm2::Edit1Exit()
{
    const QString refusal = NickRefusalText(Edit1->text());
    if (refusal.isEmpty())
        return;
    // The box holds an acceptable nick again before the message takes the focus away.
    const QString own = m_services->Session().OwnNick();
    Edit1->setText(NickRefusalText(own).isEmpty() ? own : QString());
    Dialogs::warning(this, QStringLiteral("Palavrix"), refusal);
    Edit1->setFocus();
}

void TForm2::CheckBox9Click()
{
    enableAll({ColorBox1, Label5}, CheckBox9->isChecked());
}

void TForm2::CheckBox10Click()
{
    enableAll({ColorBox2, ColorBox3, Label6, Label8}, CheckBox10->isChecked());
}

void TForm2::CheckBox11Click()
{
    if (CheckBox11->isChecked())
        autorun::SetAutorunEntry(QCoreApplication::applicationFilePath());
    else
        autorun::RemoveAutorunEntry();
}

void TForm2::CheckBox12Click()
{
    Edit2->setEnabled(CheckBox12->isChecked());
}

void TForm2::ShowLocalNetwork(const LocalNetwork &network)
{
    if (network.address.isEmpty()) {
        Label15->setText(tr("Широковещательный адрес задан вручную: ") + network.broadcast);
        return;
    }
    const QString where = network.interfaceName.isEmpty()
                              ? tr("по имени компьютера")
                              : tr("интерфейс ") + network.interfaceName;
    Label15->setText(tr("Адрес этого компьютера: ") + network.address + QStringLiteral(" (") +
                     where + tr(")\nШироковещательный адрес: ") + network.broadcast);
}

void TForm2::ShowNetworkChoice(const LocalNetwork &network, const ChatPorts &ports)
{
    ShowLocalNetwork(network);
    Edit2->setText(network.broadcast);
    if (CheckBox13->isChecked())
        return;
    Edit3->setText(QString::number(ports.Public));
    Edit4->setText(QString::number(ports.Private));
    Edit5->setText(QString::number(ports.System));
}

void TForm2::CheckBox13Click()
{
    enableAll({Edit3, Edit4, Edit5, Label11, Label12, Label13}, CheckBox13->isChecked());
}

void TForm2::ListBox1Click()
{
    ApplySkin();
}

void TForm2::suitempButton1Click()
{
    close();
}

void TForm2::FormShow()
{
    FillSkinList();
}

void TForm2::setVisible(bool visible)
{
    // Before the window lays itself out to show.
    if (visible)
        fitFont();
    QWidget::setVisible(visible);
}

void TForm2::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnMainWindow(this);
    FormShow();
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // Controls that use these keys themselves (an open colour list) never pass them here.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Button1->click();
            return;
        default:
            break;
        }
    }
    QWidget::keyPressEvent(event);
}

void TForm2::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // "OK" keeps its place at the bottom right corner.
    Button1->move(width() - ButtonMargin - Button1->width(),
                  height() - ButtonMargin - Button1->height());
}
