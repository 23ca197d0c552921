#include "OptionBindings.h"

#include "OptionsFile.h"
#include "SettingsWindow.h"

#include <QCheckBox>

void ApplyOptions(const OptionsFile &options)
{
    Form2->CheckBox14->setChecked(options.Get(opt::Notifications));
}

void TakeOptions(OptionsFile &options)
{
    options.Set(opt::Notifications, Form2->CheckBox14->isChecked());
}
