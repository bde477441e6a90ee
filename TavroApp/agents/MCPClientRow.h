#pragma once

#include "agents/MCPConnectionModel.h"

#include <QWidget>

class QAbstractButton;
class QLabel;

namespace tavro {

class PrimaryButton;
class SecondaryButton;
class SymbolView;

// One agent client in the connection list: its symbol, name, state and the button that
// connects, repairs or disconnects it.
class MCPClientRow final : public QWidget {
    Q_OBJECT

public:
    explicit MCPClientRow(MCPClient client, QWidget* parent = nullptr);
    void setRow(const MCPConnectionModel::Row& row);
    MCPClient client() const { return client_; }

    // What the row shows, for tests and screen readers alike.
    QString statusText() const;
    bool showsNotDetected() const;
    // The visible action button.
    QAbstractButton* actionButton() const;

signals:
    void actionRequested(MCPClient client);

private:
    QAbstractButton* actionButton(MCPConnectionModel::Action action) const;

    MCPClient client_;
    QLabel* chip_ = nullptr;
    QLabel* status_ = nullptr;
    PrimaryButton* connect_ = nullptr;
    PrimaryButton* repair_ = nullptr;
    QWidget* connected_ = nullptr;
    SecondaryButton* disconnect_ = nullptr;
};

} // namespace tavro
