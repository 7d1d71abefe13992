#pragma once

#include "settings/WizardSettings.h"

#include <optional>

class QSettings;

// The per-user store of the wizard's settings: QSettings("Quessra", "Morvane"), every value a string
// under the names and text encodings that earlier versions wrote, so existing stores keep working.
class SettingsStore {
public:
    // Nothing when nothing was ever saved. A value missing from an existing store reads as empty text:
    // an empty flag is off, an empty or unreadable number is the window's default (the character set's
    // "Default", Local, Overwrite).
    static std::optional<WizardSettings> load();
    static std::optional<WizardSettings> load(QSettings &store);

    // Writes all seventeen values; a store that cannot be written is skipped silently. The file holds the
    // passwords in clear, so it is left readable and writable by its owner only.
    static void save(const WizardSettings &settings);
    static void save(QSettings &store, const WizardSettings &settings);

    // Whole decimal numbers only ("2", "-1"); anything else is nothing.
    static std::optional<int> parseIndex(const QString &text);
};
