#pragma once

#include "ConfigFile.h"

#include <QString>

#include <functional>
#include <optional>
#include <span>

class ChatOptions;
class OptionsFile;

// How one setting meets its control: its Chat.cfg line (or options file entry) is taken into
// the control at start-up and read back from it at exit, and the control keeps its field of
// ChatOptions up to date while the program runs.
struct ConfigBinding {
    cfg::Line Line = {}; // none for an entry of the options file
    // Takes the stored value into the controls; null for a line taken with another one.
    std::function<void(ConfigLines &config)> Apply;
    // The value the controls hold now; nullopt leaves the entry as it stands.
    std::function<std::optional<QString>()> Take;
    // Written whenever Take gives a value, even before the start-up reached the line.
    bool Direct = false;
    // Writes the control's value into its field now and whenever it changes.
    std::function<void(ChatOptions &options)> Watch;
    // The options file's entry: into the control, and back.
    std::function<void(const OptionsFile &file)> ApplyOption;
    std::function<void(OptionsFile &file)> TakeOption;
};

// Every setting: Chat.cfg's lines in line order, then the options file's entries.
std::span<const ConfigBinding> ConfigBindings();

// The lines the start-up takes before the nick is known: fast entry, its nick, the skin.
bool IsEarlyLine(cfg::Line line);
// Takes the early lines (early) or all the others, in line order, into the controls.
void ApplyConfigLines(ConfigLines &config, bool early);
// Rebuilds every entry from the controls. A line the start-up never took into its control
// keeps its stored text unless every line was taken, so an early end loses no setting.
void RebuildConfigLines(ConfigLines &config, bool allApplied);

// The options file's entries into their controls at start-up, and back before it is written.
void ApplyOptions(const OptionsFile &options);
void TakeOptions(OptionsFile &options);

// From now on every control of the windows made keeps its field of `options` up to date.
void WatchSettings(ChatOptions &options);
