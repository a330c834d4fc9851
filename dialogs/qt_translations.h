#pragma once
// Qt's own dialogs (the file and folder choosers, the standard buttons) in
// the operator's language: Qt's translation of its base module for a locale.
#include <QLocale>
#include <QString>

class QCoreApplication;

// Installs qtbase_<locale>.qm into `app`, looked for first in a
// "translations" folder beside the program (where a Windows package puts it),
// then in Qt's own translations folder. Returns the file loaded, or an empty
// text when the locale has none (the dialogs then stay in English).
QString InstallQtTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());
