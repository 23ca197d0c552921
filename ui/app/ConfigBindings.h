#pragma once

#include "ConfigFile.h"

#include <QString>

#include <functional>
#include <optional>
#include <span>

// How one line of Chat.cfg meets its controls: taken into them at start-up, and read back
// from them at exit.
struct ConfigBinding {
    cfg::Line Line;
    // Takes the stored value into the controls; null for a line taken with another one.
    std::function<void(ConfigLines &config)> Apply;
    // The value the controls hold now; nullopt leaves the entry as it stands.
    std::function<std::optional<QString>()> Take;
    // Written whenever Take gives a value, even before the start-up reached the line.
    bool Direct = false;
};

// Every line, in line order.
std::span<const ConfigBinding> ConfigBindings();

// The lines the start-up takes before the nick is known: fast entry, its nick, the skin.
bool IsEarlyLine(cfg::Line line);
// Takes the early lines (early) or all the others, in line order, into the controls.
void ApplyConfigLines(ConfigLines &config, bool early);
// Rebuilds every entry from the controls. A line the start-up never took into its control
// keeps its stored text unless every line was taken, so an early end loses no setting.
void RebuildConfigLines(ConfigLines &config, bool allApplied);
