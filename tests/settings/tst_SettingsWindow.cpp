#include "AboutWindow.h"
#include "AppError.h"
#include "AppPaths.h"
#include "Autorun.h"
#include "ChatServices.h"
#include "ChatSession.h"
#include "ColorBox.h"
#include "ColorList.h"
#include "ConfigBindings.h"
#include "Dialogs.h"
#include "HostAddress.h"
#include "MainWindow.h"
#include "NickRefusal.h"
#include "SettingsWindow.h"
#include "SkinSearch.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

class TestSettingsWindow final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // Every change of a control, the user's or one made from code, reaches the chat's options.
    void controlsWriteTheOptions();

    // The window as created.
    void windowFrame();
    void captions_data();
    void captions();
    void checkedAtStart_data();
    void checkedAtStart();
    void enabledAtStart_data();
    void enabledAtStart();
    void colourBoxesAtStart_data();
    void colourBoxesAtStart();
    void editTextsAtStart_data();
    void editTextsAtStart();
    void sliderRanges_data();
    void sliderRanges();
    void labelsArePlainText();
    void autorunBoxIsNeverShown();
    void localNetworkText_data();
    void localNetworkText();

    // The handlers.
    void uncheckingTransparencyResetsTheSlider();
    void opacityFollowsTheSlider_data();
    void opacityFollowsTheSlider();
    void refreshIntervalFollowsTheSlider_data();
    void refreshIntervalFollowsTheSlider();
    void positionsAreClamped_data();
    void positionsAreClamped();
    void handlersRunOnlyOnRealChange();
    void fastLogInTakesTheNick();
    void fastEntryNickIsChecked_data();
    void fastEntryNickIsChecked();
    void enableRules_data();
    void enableRules();
    void autorunEntryFollowsTheCheckBox();
    void autorunFailureIsReported();

    // Showing and closing.
    void okOnlyHidesTheWindow();
    void keyboardClosesAndConfirms_data();
    void keyboardClosesAndConfirms();
    void showingCentresOnTheMainWindow();

private:
    QString autorunEntry() const;

    QTemporaryDir m_dir;
    QString m_savedCwd;
    QByteArray m_savedConfigHome;
    bool m_configHomeWasSet = false;
    std::unique_ptr<ChatServices> m_services;
    std::unique_ptr<TForm2> m_form;
};

namespace
{

// The main window's opacity on the 0..255 scale.
int mainOpacity()
{
    return qRound(Form1->windowOpacity() * 255);
}

} // namespace

QString TestSettingsWindow::autorunEntry() const
{
    return autorun::EntryFile(autorun::AutostartFolder());
}

void TestSettingsWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The autorun entry and everything the main window writes stay in the temporary folder.
    m_configHomeWasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    m_savedCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    apppaths::SetProgramFolder(m_dir.path());
    Dialogs::setAutoAnswer(true);

    m_services = std::make_unique<ChatServices>();
    Form1 = new TForm1(*m_services);
    QVERIFY(Form1->Timer1);
}

void TestSettingsWindow::cleanupTestCase()
{
    delete Form1;
    Form1 = nullptr;
    m_services.reset();
    Dialogs::setAutoAnswer(false);
    Dialogs::clearHistory();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_savedCwd);
    if (m_configHomeWasSet)
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    else
        qunsetenv("XDG_CONFIG_HOME");
}

void TestSettingsWindow::init()
{
    m_services->Session().setOwnNick({});
    Form1->setWindowOpacity(1.0);
    m_form = std::make_unique<TForm2>(*m_services);
    Form2 = m_form.get();
    WatchSettings(m_services->Options());
}

void TestSettingsWindow::cleanup()
{
    Form2 = nullptr;
    m_form.reset();
    m_services->Session().setOwnNick({});
    QFile::remove(autorunEntry());
    QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();
}

void TestSettingsWindow::controlsWriteTheOptions()
{
    const OptionValues &values = m_services->Options().Values();
    QSignalSpy changes(&m_services->Options(), &ChatOptions::changed);
    for (bool on : {true, false}) {
        m_form->CheckBox1->setChecked(on);
        m_form->CheckBox9->setChecked(on);
        m_form->CheckBox12->setChecked(on);
        m_form->CheckBox14->setChecked(on);
        QCOMPARE(values.ShowMsgTime, on);
        QCOMPARE(values.IgnUsrClr, on);
        QCOMPARE(values.ChangeIP, on);
        QCOMPARE(values.Notifications, on);
    }
    m_form->ColorBox4->selectIndex(7);
    QCOMPARE(values.SysClr, 7);
    m_form->TrackBar2->setValue(4);
    QCOMPARE(values.RedrawUsrWnd, 4);
    QCOMPARE(m_services->RefreshTimer()->interval(), 4 * RefreshStepSeconds * 1000);
    m_form->Edit2->setText(u"10.0.1.255"_s);
    QCOMPARE(values.BroadcastIP, u"10.0.1.255"_s);
    m_form->SpinEdit1->setValue(0);
    QCOMPARE(values.FilePort, 0);
    Form1->ColorBox1->selectIndex(11);
    QCOMPARE(values.FontColor, 11);
    QVERIFY(!changes.isEmpty());
}

void TestSettingsWindow::windowFrame()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Настройки"));
    QCOMPARE(m_form->size(), QSize(416, 465));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QVERIFY(m_form->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!m_form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!m_form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));

    QTabWidget *pages = m_form->suiPageControl1;
    QCOMPARE(pages->objectName(), QStringLiteral("suiPageControl1"));
    const QStringList titles{QStringLiteral("Главные"), QStringLiteral("Стили"),
                             QStringLiteral("Цвета"), QStringLiteral("Сеть")};
    const QList<QWidget *> sheets{m_form->suiTabSheet1, m_form->suiTabSheet2, m_form->suiTabSheet3,
                                  m_form->suiTabSheet4};
    QCOMPARE(pages->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i) {
        QCOMPARE(pages->tabText(i), titles[i]);
        QCOMPARE(pages->widget(i), sheets[i]);
        QCOMPARE(sheets[i]->objectName(), QStringLiteral("suiTabSheet%1").arg(i + 1));
    }
    QCOMPARE(pages->currentIndex(), 0);

    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    const QRect ok = m_form->Button1->geometry();
    QVERIFY(ok.top() >= pages->geometry().bottom());
    QVERIFY(ok.right() > m_form->width() - 20);
    QVERIFY(ok.bottom() > m_form->height() - 20);
    QVERIFY(m_form->rect().contains(ok));
    QVERIFY(m_form->rect().contains(pages->geometry()));
}

void TestSettingsWindow::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char *name, const char *caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption);
    };
    row("Button1", "OK");
    row("GroupBox1", "Прозрачность");
    row("CheckBox5", "Регулировать прозрачность");
    row("Label1", "Уровень прозрачности");
    row("GroupBox2", "Обновление списка пользователей");
    row("Label2", "Обновлять каждые - ");
    row("GroupBox7", "Текст входящего сообщения");
    row("CheckBox1", "Показать время сообщения");
    row("CheckBox2", "Показывать IP отправителя");
    row("GroupBox6", "Главное окно при старте");
    row("RadioButton1", "Свернуто");
    row("RadioButton2", "Нормально");
    row("GroupBox3", "Главное окно чата");
    row("CheckBox4", "Звуковой сигнал при получении сообщения");
    row("CheckBox3", "Разворачивать главное окно при получении сообщения");
    row("GroupBox4", "Приват");
    row("CheckBox7", "Звуковой сигнал при получении приватного сообщения");
    row("CheckBox6", "Разворачивать окно привата при получении приватного сообщения");
    row("GroupBox5", "Вход в чат");
    row("CheckBox8", "Быстрый вход в чат");
    row("Label3", "Ник для входа");
    row("suiGroupBox6", "");
    row("CheckBox11", "Добавить в автозагрузку");
    row("suiGroupBox1", "Дополнительные стили");
    row("suiGroupBox2", "Установка стилей");
    row("suiGroupBox3", "Главное окно чата/приват");
    row("CheckBox9", "Игнорировать настройки цвета входящих сообщений");
    row("Label5", "Заменять цвет входящих сообщений на цвет:");
    row("suiGroupBox4", "История сообщений");
    row("CheckBox10", "Использовать выбранные цвета для подсветки сообщений");
    row("Label6", "Входящие:");
    row("Label8", "Исходящие:");
    row("suiGroupBox5", "Системные сообщения");
    row("Label9", "Заменять цвет системных сообщений на цвет:");
    row("suiGroupBox8", "Внимание!!!");
    row("Label10", "Этот раздел настроек предназначен для опытных пользователей! Категорически "
                   "не рекомендую изменять параметры этого раздела настроек если вы не уверены в "
                   "том, что до конца понимаете значение параметров.");
    row("suiGroupBox7", "Широковещательный IP");
    row("CheckBox12", "Изменить широковещательный IP адрес");
    row("suiGroupBox9", "Порты");
    row("CheckBox13", "Изменить порты");
    row("Label11", "Общий чат (общие сообщения)");
    row("Label12", "Приват (личные сообщения)");
    row("Label13", "Служебные сообщения");
    row("suiGroupBox10", "");
    row("Label14", "Для применения измененных параметров этого раздела необходимо "
                   "перезапустить программу.");
}

void TestSettingsWindow::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QWidget *widget = m_form->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), caption);
    else if (auto *box = qobject_cast<QGroupBox *>(widget))
        QCOMPARE(box->title(), caption);
    else
        QFAIL("the control has no caption");
}

void TestSettingsWindow::checkedAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checked");
    const auto row = [](const char *name, bool checked) {
        QTest::newRow(name) << QString::fromLatin1(name) << checked;
    };
    row("CheckBox1", true);
    row("CheckBox2", false);
    row("CheckBox3", true);
    row("CheckBox4", true);
    row("CheckBox5", false);
    row("CheckBox6", true);
    row("CheckBox7", true);
    row("CheckBox8", false);
    row("CheckBox9", false);
    row("CheckBox10", false);
    row("CheckBox11", false);
    row("CheckBox12", false);
    row("CheckBox13", false);
    row("RadioButton1", false);
    row("RadioButton2", true);
}

void TestSettingsWindow::checkedAtStart()
{
    QFETCH(QString, name);
    QFETCH(bool, checked);
    auto *button = m_form->findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QVERIFY(button->isCheckable());
    QCOMPARE(button->isChecked(), checked);
}

void TestSettingsWindow::enabledAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    const auto row = [](const char *name, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << enabled;
    };
    row("TrackBar1", true);
    row("TrackBar2", true);
    // In line with the unchecked "Быстрый вход в чат".
    row("Label3", false);
    row("Edit1", false);
    row("Label5", false);
    row("ColorBox1", false);
    row("Label6", false);
    row("ColorBox2", false);
    row("Label8", false);
    row("ColorBox3", false);
    row("Label9", true);
    row("ColorBox4", true);
    row("Edit2", false);
    row("Label11", false);
    row("Edit3", false);
    row("Label12", false);
    row("Edit4", false);
    row("Label13", false);
    row("Edit5", false);
}

void TestSettingsWindow::enabledAtStart()
{
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QWidget *widget = m_form->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->isEnabled(), enabled);
}

void TestSettingsWindow::colourBoxesAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("ColorBox1 Black") << QStringLiteral("ColorBox1") << colors::Black;
    QTest::newRow("ColorBox2 Red") << QStringLiteral("ColorBox2") << colors::Red;
    QTest::newRow("ColorBox3 Navy") << QStringLiteral("ColorBox3") << colors::Navy;
    QTest::newRow("ColorBox4 Med Gray") << QStringLiteral("ColorBox4") << colors::MedGray;
}

void TestSettingsWindow::colourBoxesAtStart()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    auto *box = m_form->findChild<ColorBox *>(name);
    QVERIFY2(box, qPrintable(name));
    QCOMPARE(box->selectedIndex(), index);
    QCOMPARE(box->count(), int(ColorList.size()));
}

void TestSettingsWindow::editTextsAtStart_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("alignedRight");
    QTest::newRow("Edit1") << QStringLiteral("Edit1") << QString() << false;
    QTest::newRow("Edit2") << QStringLiteral("Edit2") << QStringLiteral("127.0.0.1") << true;
    QTest::newRow("Edit3") << QStringLiteral("Edit3") << QString() << false;
    QTest::newRow("Edit4") << QStringLiteral("Edit4") << QString() << false;
    QTest::newRow("Edit5") << QStringLiteral("Edit5") << QString() << false;
}

void TestSettingsWindow::editTextsAtStart()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, alignedRight);
    auto *edit = m_form->findChild<QLineEdit *>(name);
    QVERIFY2(edit, qPrintable(name));
    QCOMPARE(edit->text(), text);
    QCOMPARE(bool(edit->alignment() & Qt::AlignRight), alignedRight);
}

void TestSettingsWindow::sliderRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::newRow("TrackBar1: opacity") << QStringLiteral("TrackBar1") << 1 << 17 << 17;
    QTest::newRow("TrackBar2: refresh interval") << QStringLiteral("TrackBar2") << 1 << 24 << 1;
}

void TestSettingsWindow::sliderRanges()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, position);
    auto *slider = m_form->findChild<QSlider *>(name);
    QVERIFY2(slider, qPrintable(name));
    QCOMPARE(slider->minimum(), minimum);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->value(), position);
    QCOMPARE(slider->singleStep(), 1);
    QCOMPARE(slider->pageStep(), 2);
    QCOMPARE(slider->tickInterval(), 1);
    QVERIFY(slider->tickPosition() != QSlider::NoTicks);

    // Home and End jump to the ends, page keys move by two.
    m_form->show();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(slider->value(), minimum);
    QTest::keyClick(slider, Qt::Key_PageUp);
    QCOMPARE(slider->value(), minimum + 2);
    QTest::keyClick(slider, Qt::Key_End);
    QCOMPARE(slider->value(), maximum);
}

void TestSettingsWindow::labelsArePlainText()
{
    const QList<QLabel *> labels = m_form->findChildren<QLabel *>();
    QVERIFY(!labels.isEmpty());
    for (const QLabel *label : labels)
        QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->text()));
    // The style page's link leads to the theme documentation shipped with the program.
    const auto *link = qobject_cast<const URLLabel *>(m_form->suiURLLabel1);
    QVERIFY(link);
    QCOMPARE(link->objectName(), QStringLiteral("suiURLLabel1"));
    QCOMPARE(link->url(), QUrl::fromLocalFile(apppaths::SharedFile(u"docs/themes.md"_qs)));
    // The installing hint names this installation's own folder of theme files.
    const auto *install = m_form->findChild<QLabel *>(u"InstallText"_qs);
    QVERIFY(install);
    QVERIFY2(install->text().contains(u'"' + QDir::toNativeSeparators(SkinsFolder()) + u'"'),
             qPrintable(install->text()));
}

void TestSettingsWindow::localNetworkText_data()
{
    QTest::addColumn<QString>("interfaceName");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("text");

    QTest::newRow("A chosen interface is named")
        << u"eth0"_s << u"10.213.0.11"_s
        << u"Адрес этого компьютера: 10.213.0.11 (интерфейс eth0)\n"
           u"Широковещательный адрес: 10.213.1.255"_s;
    QTest::newRow("Without an interface the host name gave the address")
        << QString() << u"10.213.0.11"_s
        << u"Адрес этого компьютера: 10.213.0.11 (по имени компьютера)\n"
           u"Широковещательный адрес: 10.213.1.255"_s;
    QTest::newRow("A broadcast address set by hand")
        << QString() << QString() << u"Широковещательный адрес задан вручную: 10.213.1.255"_s;
}

void TestSettingsWindow::localNetworkText()
{
    QFETCH(QString, interfaceName);
    QFETCH(QString, address);
    QFETCH(QString, text);
    Form2->ShowLocalNetwork({interfaceName, address, u"10.213.1.255"_s});
    QCOMPARE(Form2->Label15->text(), text);
}

void TestSettingsWindow::autorunBoxIsNeverShown()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QVERIFY(m_form->GroupBox5->isVisible());
    QVERIFY(!m_form->suiGroupBox6->isVisible());
    QVERIFY(!m_form->CheckBox11->isVisible());
}

void TestSettingsWindow::uncheckingTransparencyResetsTheSlider()
{
    m_form->CheckBox5->setChecked(true);
    QVERIFY(m_form->AlphaBlend());
    QVERIFY(m_form->TrackBar1->isEnabled());
    m_form->TrackBar1->setValue(5);
    QCOMPARE(m_form->AlphaBlendValue(), 75);
    QCOMPARE(mainOpacity(), 75);

    m_form->CheckBox5->setChecked(false);
    QVERIFY(!m_form->AlphaBlend());
    QCOMPARE(m_form->TrackBar1->value(), 17);
    QCOMPARE(m_form->AlphaBlendValue(), 255);
    QCOMPARE(m_form->TrackBar1->toolTip(), QStringLiteral("255"));
    QVERIFY(!m_form->TrackBar1->isEnabled());
    QCOMPARE(mainOpacity(), 255);

    m_form->CheckBox5->setChecked(true);
    QVERIFY(m_form->AlphaBlend());
    QVERIFY(m_form->TrackBar1->isEnabled());
    QCOMPARE(m_form->TrackBar1->value(), 17);
    QCOMPARE(m_form->AlphaBlendValue(), 255);
}

void TestSettingsWindow::opacityFollowsTheSlider_data()
{
    QTest::addColumn<bool>("translucent");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<int>("windowOpacity");
    QTest::newRow("Lowest position still shows the window") << true << 1 << 15 << 15;
    QTest::newRow("Middle position") << true << 9 << 135 << 135;
    QTest::newRow("Highest position is opaque") << true << 17 << 255 << 255;
    QTest::newRow("Without translucency the value is only stored") << false << 4 << 60 << 255;
}

void TestSettingsWindow::opacityFollowsTheSlider()
{
    QFETCH(bool, translucent);
    QFETCH(int, position);
    QFETCH(int, opacity);
    QFETCH(int, windowOpacity);
    m_form->CheckBox5->setChecked(translucent);
    // Start away from the row's position so the change always happens.
    m_form->TrackBar1->setValue(position == 17 ? 16 : 17);
    m_form->TrackBar1->setValue(position);

    QCOMPARE(m_form->AlphaBlendValue(), opacity);
    QCOMPARE(m_form->TrackBar1->toolTip(), QString::number(opacity));
    QCOMPARE(mainOpacity(), windowOpacity);
}

void TestSettingsWindow::refreshIntervalFollowsTheSlider_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("label");
    QTest::newRow("Position 1 refreshes every 5 s")
        << 1 << 5000 << QStringLiteral("5 сек.") << QStringLiteral("Обновлять каждые - 5 сек.");
    QTest::newRow("Position 3 refreshes every 15 s")
        << 3 << 15000 << QStringLiteral("15 сек.") << QStringLiteral("Обновлять каждые - 15 сек.");
    QTest::newRow("Position 24 refreshes every 120 s")
        << 24 << 120000 << QStringLiteral("120 сек.")
        << QStringLiteral("Обновлять каждые - 120 сек.");
}

void TestSettingsWindow::refreshIntervalFollowsTheSlider()
{
    QFETCH(int, position);
    QFETCH(int, interval);
    QFETCH(QString, hint);
    QFETCH(QString, label);
    m_form->TrackBar2->setValue(position == 2 ? 3 : 2);
    m_form->TrackBar2->setValue(position);

    QCOMPARE(Form1->Timer1->interval(), interval);
    QCOMPARE(m_form->TrackBar2->toolTip(), hint);
    QCOMPARE(m_form->Label2->text(), label);
}

void TestSettingsWindow::positionsAreClamped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("position");
    QTest::newRow("Opacity 0 becomes 1") << QStringLiteral("TrackBar1") << 0 << 1;
    QTest::newRow("Opacity 40 becomes 17") << QStringLiteral("TrackBar1") << 40 << 17;
    QTest::newRow("Refresh 0 becomes 1") << QStringLiteral("TrackBar2") << 0 << 1;
    QTest::newRow("Refresh 30 becomes 24") << QStringLiteral("TrackBar2") << 30 << 24;
    QTest::newRow("Refresh -5 becomes 1") << QStringLiteral("TrackBar2") << -5 << 1;
}

void TestSettingsWindow::positionsAreClamped()
{
    QFETCH(QString, name);
    QFETCH(int, requested);
    QFETCH(int, position);
    auto *slider = m_form->findChild<QSlider *>(name);
    QVERIFY2(slider, qPrintable(name));
    slider->setValue(10);
    slider->setValue(requested);
    QCOMPARE(slider->value(), position);
}

void TestSettingsWindow::handlersRunOnlyOnRealChange()
{
    // Unchecking the unchecked transparency box would disable the slider if it ran.
    m_form->CheckBox5->setChecked(false);
    QVERIFY(m_form->TrackBar1->isEnabled());

    // A position clamped to the current one is no change.
    m_form->TrackBar1->setToolTip(QStringLiteral("unchanged"));
    m_form->TrackBar1->setValue(40);
    QCOMPARE(m_form->TrackBar1->toolTip(), QStringLiteral("unchanged"));

    // The start-up wording stays until the slider really moves.
    const QString startup = QStringLiteral("Время обновления - 5 сек.");
    m_form->Label2->setText(startup);
    m_form->TrackBar2->setValue(1);
    QCOMPARE(m_form->Label2->text(), startup);
    m_form->TrackBar2->setValue(2);
    QCOMPARE(m_form->Label2->text(), QStringLiteral("Обновлять каждые - 10 сек."));

    // Checking the checked fast log-in again keeps the edited nick.
    m_services->Session().setOwnNick(QStringLiteral("Аня"));
    m_form->CheckBox8->setChecked(true);
    m_form->Edit1->setText(QStringLiteral("Боря"));
    m_form->CheckBox8->setChecked(true);
    QCOMPARE(m_form->Edit1->text(), QStringLiteral("Боря"));
}

void TestSettingsWindow::fastLogInTakesTheNick()
{
    m_services->Session().setOwnNick(QStringLiteral("Вася <b>"));
    m_form->CheckBox8->setChecked(true);
    QVERIFY(m_form->Edit1->isEnabled());
    QVERIFY(m_form->Label3->isEnabled());
    QCOMPARE(m_form->Edit1->text(), m_services->Session().OwnNick());

    m_form->CheckBox8->setChecked(false);
    QVERIFY(!m_form->Edit1->isEnabled());
    QVERIFY(!m_form->Label3->isEnabled());
    QVERIFY(m_form->Edit1->text().isEmpty());

    // The user's click runs the same handler.
    m_form->show();
    QTest::mouseClick(m_form->CheckBox8, Qt::LeftButton, {},
                      QPoint(4, m_form->CheckBox8->height() / 2));
    QVERIFY(m_form->CheckBox8->isChecked());
    QCOMPARE(m_form->Edit1->text(), m_services->Session().OwnNick());
}

void TestSettingsWindow::fastEntryNickIsChecked_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("an acceptable nick stays") << QStringLiteral("Борис") << QStringLiteral("Борис");
    QTest::newRow("a separator gives the nick in use back")
        << QStringLiteral("a - b") << QStringLiteral("Ivan");
    QTest::newRow("a character outside the code page")
        << QStringLiteral("日本") << QStringLiteral("Ivan");
}

void TestSettingsWindow::fastEntryNickIsChecked()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    m_services->Session().setOwnNick(QStringLiteral("Ivan"));
    m_form->CheckBox8->setChecked(true);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->Edit1->setFocus();
    m_form->Edit1->clear();
    Dialogs::clearHistory();
    m_form->Edit1->insert(typed);
    QTest::keyClick(m_form->Edit1, Qt::Key_Return);
    QCOMPARE(m_form->Edit1->text(), kept);
    const bool refused = kept != typed;
    QCOMPARE(Dialogs::history().size(), refused ? 1 : 0);
    if (refused) {
        QCOMPARE(Dialogs::history().at(0).kind, Dialogs::Kind::Warning);
        QCOMPARE(Dialogs::history().at(0).text, NickRefusalText(typed));
    }
}

void TestSettingsWindow::enableRules_data()
{
    QTest::addColumn<QString>("checkBox");
    QTest::addColumn<QStringList>("dependents");
    QTest::newRow("Fixed incoming colour")
        << QStringLiteral("CheckBox9") << QStringList{"ColorBox1", "Label5"};
    QTest::newRow("History colours") << QStringLiteral("CheckBox10")
                                     << QStringList{"ColorBox2", "ColorBox3", "Label6", "Label8"};
    QTest::newRow("Broadcast address") << QStringLiteral("CheckBox12") << QStringList{"Edit2"};
    QTest::newRow("Ports") << QStringLiteral("CheckBox13")
                           << QStringList{"Edit3",   "Edit4",   "Edit5",
                                          "Label11", "Label12", "Label13"};
}

void TestSettingsWindow::enableRules()
{
    QFETCH(QString, checkBox);
    QFETCH(QStringList, dependents);
    auto *box = m_form->findChild<QCheckBox *>(checkBox);
    QVERIFY2(box, qPrintable(checkBox));
    QList<QWidget *> widgets;
    for (const QString &name : dependents) {
        widgets << m_form->findChild<QWidget *>(name);
        QVERIFY2(widgets.last(), qPrintable(name));
    }

    for (const bool on : {true, false, true}) {
        box->setChecked(on);
        for (const QWidget *widget : widgets)
            QVERIFY2(widget->isEnabled() == on, qPrintable(widget->objectName()));
    }
}

void TestSettingsWindow::autorunEntryFollowsTheCheckBox()
{
    QVERIFY(!QFile::exists(autorunEntry()));
    m_form->CheckBox11->setChecked(true);
    const QString entry = QString::fromUtf8(testsupport::readFile(autorunEntry()));
    QVERIFY(entry.split(u'\n').contains(
        QStringLiteral("Exec=") + autorun::DesktopExec(QCoreApplication::applicationFilePath())));

    m_form->CheckBox11->setChecked(false);
    QVERIFY(!QFile::exists(autorunEntry()));
}

void TestSettingsWindow::autorunFailureIsReported()
{
    // A file where the autostart folder belongs stops even root from writing the entry.
    testsupport::writeFile(autorun::AutostartFolder(), "in the way");

    // The handler's failure reaches the standard error box, not the caller.
    Dialogs::clearHistory();
    m_form->CheckBox11->setChecked(true);
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history().front().kind, Dialogs::Kind::Error);
    QCOMPARE(Dialogs::history().front().text, QStringLiteral("Failed to set data for 'Palavrix'"));
    QVERIFY(m_form->CheckBox11->isChecked());

    Dialogs::clearHistory();
    m_form->CheckBox11->setChecked(false);
    QVERIFY(Dialogs::history().isEmpty());
    QVERIFY(!m_form->CheckBox11->isChecked());
    QFile::remove(autorun::AutostartFolder());
}

void TestSettingsWindow::okOnlyHidesTheWindow()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->CheckBox2->setChecked(true);
    m_form->suiPageControl1->setCurrentIndex(2);
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QVERIFY(!m_form->isVisible());

    m_form->show();
    QVERIFY(m_form->CheckBox2->isChecked());
    m_form->close();
    QVERIFY(!m_form->isVisible());
    m_form->show();
    QVERIFY(m_form->CheckBox2->isChecked());
    QCOMPARE(m_form->suiPageControl1->currentIndex(), 2);
}

void TestSettingsWindow::keyboardClosesAndConfirms_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<bool>("pressesOk");

    QTest::newRow("Escape in a check box closes without OK")
        << u"CheckBox2"_s << int(Qt::Key_Escape) << false << false;
    QTest::newRow("Escape in a slider closes without OK")
        << u"TrackBar2"_s << int(Qt::Key_Escape) << false << false;
    QTest::newRow("Escape in the nick box closes without OK")
        << u"Edit1"_s << int(Qt::Key_Escape) << false << false;
    QTest::newRow("Enter in a check box presses OK")
        << u"CheckBox2"_s << int(Qt::Key_Return) << false << true;
    QTest::newRow("Enter in the nick box presses OK")
        << u"Edit1"_s << int(Qt::Key_Return) << false << true;
    QTest::newRow("Keypad Enter in the style list presses OK")
        << u"ListBox1"_s << int(Qt::Key_Enter) << true << true;
}

void TestSettingsWindow::keyboardClosesAndConfirms()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(bool, pressesOk);

    m_form->CheckBox8->setChecked(true);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QWidget *target = m_form->findChild<QWidget *>(focus);
    QVERIFY2(target, qPrintable(focus));
    QSignalSpy ok(m_form->Button1, &QPushButton::clicked);
    QTest::keyClick(target, Qt::Key(key), keypad ? Qt::KeypadModifier : Qt::NoModifier);
    QVERIFY(!m_form->isVisible());
    QCOMPARE(ok.count(), pressesOk ? 1 : 0);
    QVERIFY(m_form->CheckBox8->isChecked());
}

void TestSettingsWindow::showingCentresOnTheMainWindow()
{
    // The main window stays hidden (as in the tray): showing it would start the chat.
    Form1->setGeometry(60, 80, 800, 600);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    const QPoint offset = m_form->frameGeometry().center() - Form1->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));

    m_form->hide();
    Form1->move(200, 150);
    m_form->show();
    const QPoint moved = m_form->frameGeometry().center() - Form1->frameGeometry().center();
    QVERIFY(moved.manhattanLength() <= 2);
}

PALAVRIX_TEST_MAIN(TestSettingsWindow)
#include "tst_SettingsWindow.moc"
