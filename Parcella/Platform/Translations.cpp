#include "Translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>

namespace Parcella {

namespace {

QString tablePath(const char* table, const QString& language) {
    return QStringLiteral(":/i18n/%1_%2.qm").arg(QLatin1String(table), language);
}

} // namespace

QString Translations::languageFor(const QLocale& locale) {
    for (const QString& name : locale.uiLanguages()) {
        const QString language = QLocale(name).name().section(u'_', 0, 0);
        if (QFileInfo::exists(tablePath("parcella", language)))
            return language;
    }
    return QStringLiteral("en");
}

void Translations::install(QCoreApplication& application, const QLocale& locale) {
    const QString language = languageFor(locale);
    for (const char* table : {"parcelkit", "parcella"}) {
        auto* translator = new QTranslator(&application);
        if (translator->load(tablePath(table, language)))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace Parcella
