#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace Parcella {

// The translation tables built into the program: the engine's and the application's, one pair per
// language. English is the source text; its table only holds the plural forms.
class Translations {
public:
    // The first of the locale's interface languages (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG for
    // the system locale) that has a table; English when none has.
    static QString languageFor(const QLocale& locale);

    // Installs both tables of that language into the application; they live as long as it does.
    static void install(QCoreApplication& application, const QLocale& locale = QLocale::system());
};

} // namespace Parcella
