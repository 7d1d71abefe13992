#pragma once

#include <QString>

// The application title: the window caption and the title of every error box.
inline QString applicationTitle() { return QStringLiteral("Morvane 1.2"); }
