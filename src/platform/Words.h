#pragma once
// The program's own words outside the string table (the command line's messages and help, and
// the texts the core hands it) go through Qt's translation system: the code writes them in
// English as Words::tr("..."), and the catalogue res/kelto_ja.ts gives their Japanese. The
// build compiles it into the program (":/i18n/kelto_ja.qm"). The window always speaks
// Japanese; the command line speaks Japanese under a Japanese locale and English otherwise.
#include <QCoreApplication>

class Words {
    Q_DECLARE_TR_FUNCTIONS(Words)
public:
    // Whether the user's locale asks for Japanese messages: the first of LC_ALL, LC_MESSAGES
    // and LANG that is set names a Japanese locale ("ja_JP.UTF-8", ...). As for other
    // programs, a language list in LANGUAGE ("ja:en") comes first unless that locale is C.
    static bool LocaleIsJapanese();
    // Installs the Japanese catalogue, and Qt's own Japanese texts where they are installed, in
    // `app`; from then on japanese() is true. False when the catalogue could not be loaded.
    static bool InstallJapanese(QCoreApplication& app);
    static bool japanese();
};
