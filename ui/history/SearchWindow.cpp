#include "SearchWindow.h"

#include "Guard.h"
#include "HistorySearch.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "PlainLabel.h"
#include "WindowPlacement.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

TForm5 *Form5 = nullptr;

namespace
{

constexpr QSize ClientSize{328, 161};
constexpr int StatePanelWidth = 80;

} // namespace

TForm5::TForm5(HistoryStore &store, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_store(store)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(tr("Поиск текста"));
    setFixedSize(ClientSize);

    Label1 = PlainLabel(QStringLiteral("Label1"), tr("Текст для поиска"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Button1 = new QPushButton(tr("Искать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(75, 25);

    suiGroupBox1 = new QGroupBox(tr("Направление поиска"), this);
    suiGroupBox1->setObjectName(QStringLiteral("suiGroupBox1"));
    RadioButton1 = new QRadioButton(tr("Вниз"), suiGroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(tr("Вверх"), suiGroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    auto *directions = new QHBoxLayout(suiGroupBox1);
    directions->setContentsMargins(8, 2, 8, 4);
    directions->addWidget(RadioButton1);
    directions->addWidget(RadioButton2);
    directions->addStretch(1);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusPanels[0] = PlainLabel(QStringLiteral("StatusPanel0"), tr("Состояние:"), StatusBar);
    StatusPanels[0]->setFixedWidth(StatePanelWidth);
    StatusPanels[0]->installEventFilter(this);
    StatusPanels[1] = PlainLabel(QStringLiteral("StatusPanel1"), QString(), StatusBar);
    StatusBar->addWidget(StatusPanels[0]);
    StatusBar->addWidget(StatusPanels[1], 1);

    auto *input = new QHBoxLayout;
    input->setSpacing(6);
    input->addWidget(Edit1, 1);
    input->addWidget(Button1);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(8, 6, 8, 4);
    body->setSpacing(4);
    body->addWidget(Label1);
    body->addLayout(input);
    body->addWidget(suiGroupBox1);
    body->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar);

    connect(Button1, &QPushButton::clicked, this, Guarded([this] { Button1Click(); }));
    connect(Edit1, &QLineEdit::returnPressed, this, Guarded([this] { Button1Click(); }));
}

void TForm5::Button1Click()
{
    if (!HForm)
        return;
    HForm->ActiveGrid()->clearSelection();
    const SearchDirection direction =
        RadioButton1->isChecked() ? SearchDirection::Down : SearchDirection::Up;
    const bool found = SearchCutText(m_store.table(), Edit1->text(), direction);
    StatusPanels[1]->setText(found ? tr("Запрошеный текст найден...")
                                   : tr("Поиск не дал результата..."));
}

void TForm5::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || m_placed)
        return;
    m_placed = true;
    CentreOnMainWindow(this);
}

bool TForm5::eventFilter(QObject *watched, QEvent *event)
{
    // The style's frame and font reach the panel after these events: measure once they have.
    if (watched == StatusPanels[0] &&
        (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange ||
         event->type() == QEvent::Polish))
        QMetaObject::invokeMethod(this, &TForm5::fitStatePanel, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void TForm5::fitStatePanel()
{
    QLabel *panel = StatusPanels[0];
    const int frame = panel->width() - panel->contentsRect().width();
    const int needed =
        panel->fontMetrics().horizontalAdvance(panel->text()) + frame + 2 * panel->margin() + 2;
    const int width = std::max(StatePanelWidth, needed);
    if (panel->width() != width)
        panel->setFixedWidth(width);
}
