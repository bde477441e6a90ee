#pragma once

#include "account/MCPConnectionModel.h"

#include <QWidget>

#include <map>

class QVBoxLayout;
class QLabel;

namespace tavro {

class AgentWarning;
class CodeBlock;
class DisclosureButton;
class MCPClientRow;

// Connects the coding-agent clients to the agent server: one row per client with its state and
// button, warnings, the manual set-up to copy, and a closing hint. It reads the clients' files
// each time it comes on screen and after each action.
class MCPConnectionList final : public QWidget {
    Q_OBJECT

public:
    explicit MCPConnectionList(MCPInstaller installer, QWidget* parent = nullptr);

    const MCPConnectionModel& model() const { return model_; }
    // The rows top to bottom.
    std::vector<MCPClientRow*> rows() const;
    AgentWarning* serverWarning() const { return serverWarning_; }
    AgentWarning* errorWarning() const { return errorWarning_; }
    DisclosureButton* manualToggle() const { return manualToggle_; }
    CodeBlock* commandBlock() const { return commandBlock_; }
    CodeBlock* snippetBlock() const { return snippetBlock_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void showState();
    void act(MCPClient client);
    void copy(const QString& text);
    void setCopied(bool copied);

    MCPConnectionModel model_;
    AgentWarning* serverWarning_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::map<MCPClient, MCPClientRow*> rows_;
    std::vector<QWidget*> dividers_;
    AgentWarning* errorWarning_ = nullptr;
    DisclosureButton* manualToggle_ = nullptr;
    QWidget* manual_ = nullptr;
    CodeBlock* commandBlock_ = nullptr;
    CodeBlock* snippetBlock_ = nullptr;
};

} // namespace tavro
