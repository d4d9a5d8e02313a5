#include "platform/Words.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<bool> g_japanese{false};
}  // namespace

bool Words::LocaleIsJapanese()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        const QString locale = QString::fromLocal8Bit(value);
        if (locale == QLatin1String("C") || locale.startsWith(QLatin1String("C."))
            || locale == QLatin1String("POSIX"))
            return false;
        const char* list = std::getenv("LANGUAGE");
        const QString first = list && *list ? QString::fromLocal8Bit(list).section(':', 0, 0) : locale;
        return first == QLatin1String("ja") || first.startsWith(QLatin1String("ja_"))
               || first.startsWith(QLatin1String("ja."));
    }
    return false;
}

bool Words::InstallJapanese(QCoreApplication& app)
{
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qtTexts);
    else
        delete qtTexts;
    auto* own = new QTranslator(&app);
    if (!own->load(QStringLiteral(":/i18n/kelto_ja.qm"))) {
        delete own;
        return false;
    }
    app.installTranslator(own);
    g_japanese = true;
    return true;
}

bool Words::japanese()
{
    return g_japanese;
}
