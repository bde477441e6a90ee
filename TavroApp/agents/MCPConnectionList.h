#pragma once

#include "agents/MCPConnectionModel.h"

#include <QWidget>

#include <functional>
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
// each time it comes on screen and after each action, off the GUI thread: an agent client may
// keep its whole history in the file it shares with us, tens of megabytes.
class MCPConnectionList final : public QWidget {
    Q_OBJECT

public:
    explicit MCPConnectionList(MCPInstaller installer, QWidget* parent = nullptr);

    const MCPConnectionModel& model() const { return model_; }
    // Whether a read or an action is still running; the rows show its outcome once it ends.
    bool busy() const { return busy_; }
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
    using Job = std::function<void(MCPConnectionModel&)>;

    void refresh();
    void showState();
    void act(MCPClient client);
    // Runs `job` on a copy of the model on the thread pool; the copy replaces the model on the
    // GUI thread once it is done. Jobs run one at a time, in order.
    void run(Job job, bool action = false);
    void runNext();
    void copy(const QString& text);
    void setCopied(bool copied);

    MCPConnectionModel model_;
    std::vector<std::pair<Job, bool>> queued_;
    bool busy_ = false;
    bool actionPending_ = false;
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
