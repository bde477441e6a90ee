#pragma once

#include "agents/MCPInstaller.h"

#include <QWidget>

namespace tavro {

class MCPConnectionList;

// The settings window's agent tab: what the agent server is, the connection list, and what a
// connected agent can do with the board.
class AgentSettings final : public QWidget {
    Q_OBJECT

public:
    explicit AgentSettings(MCPInstaller installer, QWidget* parent = nullptr);

    MCPConnectionList* connectionList() const { return list_; }

private:
    MCPConnectionList* list_ = nullptr;
};

} // namespace tavro
