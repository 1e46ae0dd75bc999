#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, dialogs, context menus) in the operator's
// language: the Portuguese translation of qtbase, European Portuguese where the
// system has it, else Brazilian Portuguese (the one that names the standard
// buttons). False when neither is installed; the program then goes on in English.
bool carregarTraducaoQt(QCoreApplication& app);
