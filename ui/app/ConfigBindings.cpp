#include "ConfigBindings.h"

#include "ColorBox.h"
#include "Convert.h"
#include "MainWindow.h"
#include "SettingsWindow.h"
#include "SkinEngine.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

#include <array>

using namespace cfg;

namespace
{

// Controls are looked up when used: the windows are made after the table.
using ButtonOf = std::function<QAbstractButton *()>;
using ColorBoxOf = std::function<ColorBox *()>;
using SliderOf = std::function<QSlider *()>;
using EditOf = std::function<QLineEdit *()>;

QString switchText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

int number(ConfigLines &config, Line line)
{
    const int value = strToInt(config.ValueOf(line));
    config.SetApplied(line);
    return value;
}

// A switch shown by a check box.
ConfigBinding checkBox(Line line, ButtonOf box)
{
    return {line,
            [line, box](ConfigLines &config) {
                box()->setChecked(SwitchOn(config.ValueOf(line)));
                config.SetApplied(line);
            },
            [box] { return std::optional(switchText(box()->isChecked())); }};
}

// A colour number shown by a colour box; `when` (if any) is the switch that lets the line
// be read and written at all.
ConfigBinding colorBox(Line line, ColorBoxOf box, ButtonOf when = nullptr,
                       std::function<void()> after = {})
{
    return {line,
            [line, box, when, after](ConfigLines &config) {
                if (when && !when()->isChecked())
                    return;
                box()->selectIndex(number(config, line));
                if (after)
                    after();
            },
            [box, when]() -> std::optional<QString> {
                if (when && !when()->isChecked())
                    return std::nullopt;
                return QString::number(box()->selectedIndex());
            },
            static_cast<bool>(when)};
}

// A text shown by a line edit and taken by `apply`.
ConfigBinding lineEdit(Line line, EditOf edit, std::function<void(ConfigLines &)> apply)
{
    return {line, std::move(apply), [edit] { return std::optional(edit()->text()); }};
}

ConfigBinding slider(Line line, SliderOf bar, std::function<void()> after = {})
{
    return {line,
            [line, bar, after](ConfigLines &config) {
                bar()->setValue(number(config, line));
                if (after)
                    after();
            },
            [bar] { return std::optional(QString::number(bar()->value())); }};
}

void applyAlphaBlend(ConfigLines &config)
{
    const bool on = number(config, AlphaBlend) >= 1;
    Form2->CheckBox5->setChecked(on);
    if (!on)
        Form2->TrackBar1->setEnabled(false);
}

void applyRefreshInterval()
{
    const int seconds = 5 * Form2->TrackBar2->value();
    Form1->Timer1->setInterval(1000 * seconds);
    Form2->Label2->setText(
        QCoreApplication::translate("TForm2", "Время обновления - %1 сек.").arg(seconds));
}

void applySavedNick(ConfigLines &config)
{
    const QString nick = config.ValueOf(SavedNick);
    if (!nick.isEmpty())
        Form2->Edit1->setText(nick);
    config.SetApplied(SavedNick);
}

void applyStartMinimized(ConfigLines &config)
{
    const bool on = SwitchOn(config.ValueOf(StartMinimized));
    (on ? Form2->RadioButton1 : Form2->RadioButton2)->setChecked(true);
    config.SetApplied(StartMinimized);
}

void applySkin(ConfigLines &config)
{
    const QString skin = config.ValueOf(Skin);
    config.SetApplied(Skin);
    if (!skin.isEmpty())
        RestoreSkin(skin);
}

std::optional<QString> takeSkin(const ConfigLines &config)
{
    const QListWidgetItem *skin = Form2->ListBox1->currentItem();
    return skin && skin->isSelected() ? skin->text() : config[Skin];
}

std::vector<ConfigBinding> makeBindings()
{
    return {
        colorBox(
            FontColor, [] { return Form1->ColorBox1; }, nullptr,
            [] { Form1->RichEdit4->setTextColor(Form1->ColorBox1->selectedColor()); }),
        colorBox(
            BGColor, [] { return Form1->ColorBox2; }, nullptr,
            [] { Form1->ApplyBackgroundColor(); }),
        {AlphaBlend, applyAlphaBlend,
         [] { return std::optional(switchText(Form2->CheckBox5->isChecked())); }},
        slider(AlphaBlendValue, [] { return Form2->TrackBar1; }),
        checkBox(ShowMainWND, [] { return Form2->CheckBox3; }),
        checkBox(PlaySndOnRcv, [] { return Form2->CheckBox4; }),
        checkBox(ShowMsgTime, [] { return Form2->CheckBox1; }),
        checkBox(ShowIP, [] { return Form2->CheckBox2; }),
        slider(
            RedrawUsrWnd, [] { return Form2->TrackBar2; }, applyRefreshInterval),
        checkBox(ShowPrivateWND, [] { return Form2->CheckBox6; }),
        checkBox(PlaySndOnPrivateRcv, [] { return Form2->CheckBox7; }),
        checkBox(AutoLogon, [] { return Form2->CheckBox8; }),
        lineEdit(
            SavedNick, [] { return Form2->Edit1; }, applySavedNick),
        {StartMinimized, applyStartMinimized,
         [] { return std::optional(switchText(Form2->RadioButton1->isChecked())); }},
        {Skin, applySkin, [] { return takeSkin(Form1->Config); }},
        checkBox(IgnUsrClr, [] { return Form2->CheckBox9; }),
        colorBox(
            IncommingMsgClr, [] { return Form2->ColorBox1; }, [] { return Form2->CheckBox9; }),
        checkBox(SelectHistoryClr, [] { return Form2->CheckBox10; }),
        colorBox(
            IncClr, [] { return Form2->ColorBox2; }, [] { return Form2->CheckBox10; }),
        colorBox(
            OutClr, [] { return Form2->ColorBox3; }, [] { return Form2->CheckBox10; }),
        colorBox(SysClr, [] { return Form2->ColorBox4; }),
        checkBox(AutoRun, [] { return Form2->CheckBox11; }),
        checkBox(ChangeIP, [] { return Form2->CheckBox12; }),
        lineEdit(
            BroadcastIP, [] { return Form2->Edit2; },
            [](ConfigLines &config) { Form1->SettleBroadcastAddress(config); }),
        checkBox(ChangePort, [] { return Form2->CheckBox13; }),
        // The three ports are taken together, after the switch that allows them.
        lineEdit(
            MainPort, [] { return Form2->Edit3; },
            [](ConfigLines &config) { Form1->SettlePorts(config); }),
        lineEdit(
            PrivatePort, [] { return Form2->Edit4; }, nullptr),
        lineEdit(
            SystemPort, [] { return Form2->Edit5; }, nullptr),
    };
}

} // namespace

std::span<const ConfigBinding> ConfigBindings()
{
    static const std::vector<ConfigBinding> bindings = makeBindings();
    return bindings;
}

bool IsEarlyLine(Line line)
{
    return line == AutoLogon || line == SavedNick || line == Skin;
}

void ApplyConfigLines(ConfigLines &config, bool early)
{
    for (const ConfigBinding &binding : ConfigBindings())
        if (IsEarlyLine(binding.Line) == early && binding.Apply)
            binding.Apply(config);
}

void RebuildConfigLines(ConfigLines &config, bool allApplied)
{
    for (const ConfigBinding &binding : ConfigBindings()) {
        const int line = binding.Line;
        const std::optional<QString> value = binding.Take();
        if (!value)
            continue;
        if (binding.Direct || allApplied || config.Applied(line) || config.Loaded(line).isEmpty())
            config[line] = ConfigLines::Key(line) + u'=' + *value;
        else
            config[line] = config.Loaded(line);
    }
}
