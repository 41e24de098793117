// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QCoreApplication;
class QTranslator;

// Picks the translation file for a system locale and installs it.
class TranslationSelector
{
public:
    // The translation name for a locale name ("zh_TW" -> "zh_CN"); "en_US"
    // for any locale the program has no entry for.
    static QString translationName(const QString &localeName);

    // "<directory>/ZelvoroDriver_<name>.qm"
    static QString translationPath(const QString &directory, const QString &name);

    // Loads the file for `localeName` from `directory` into `translator` and
    // installs it on `application`; falls back to the en_US file. False when
    // neither loads (the texts then stay as written).
    static bool install(QTranslator &translator, QCoreApplication &application, const QString &localeName,
                        const QString &directory);
};
