#pragma once

#include "app/startupdialogs.h"

class OperatorMessages;

// Start-up opens the real settings dialogs; whatever they leave in the file is used.
class GuiStartupDialogs : public StartupDialogs {
  public:
    explicit GuiStartupDialogs(OperatorMessages& messages) : m_messages(messages) {}
    bool configurarErp(const QString& configFile, const QStringList& missing) override;
    bool configurarSql(const QString& configFile, const QString& catalogScript, bool option,
                       const QStringList& missing) override;

  private:
    OperatorMessages& m_messages;
};
