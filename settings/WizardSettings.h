#pragma once

#include <QString>

// What the wizard keeps between runs: the entries of pages 2 and 3 and the options of page 4. The
// defaults are those of a first start.
struct WizardSettings {
    // The ranges of the values that choose among items; SettingsStore::validated() holds loaded values
    // to them. The window and the engine check that their lists agree.
    static constexpr int kAccessModes = 2;     // Local, Remote
    static constexpr int kPolicies = 3;        // Overwrite, Merge, Skip
    static constexpr int kCharsetEntries = 37; // "Default" and the character sets after it
    static constexpr int kMaxJobs = 16;        // tables copied at once

    int accessMode = 0; // 0 Local, 1 Remote
    QString database;
    QString mysqlUser;
    QString mysqlPassword;
    QString host;
    QString port = QStringLiteral("3306");
    int charsetIndex = 0; // 0 "Default", -1 no entry chosen
    QString oracleService;
    QString oraclePassword;
    QString oracleUser;
    int processTable = 0; // the existing-table policy: 0 Overwrite, 1 Merge, 2 Skip
    bool tableDefOnly = false;
    bool nameUpperCase = true;
    bool skipIndex = false;
    bool blobToText = false;
    bool keepSchema = false; // NOT NULL, defaults, unique and foreign keys, identities, checks, comments
    bool verify = false;     // read each copied table back and compare it with MySQL
    bool longNames = false;  // names up to 128 bytes where the Oracle server takes them
    int jobs = 1;            // tables copied at once, each by a worker with sessions of its own

    friend bool operator==(const WizardSettings &, const WizardSettings &) = default;
};
