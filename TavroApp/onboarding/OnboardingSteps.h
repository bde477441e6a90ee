#pragma once

#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;

namespace tavro {

class HotkeyManager;
class PermissionsService;
class Preferences;
class SymbolView;

// The bodies of onboarding's five steps. None keeps state or moves the flow; each is built anew
// whenever its step comes up.

// "Welcome": the mark, the headline, one sentence and three bullets.
class WelcomeStep final : public QWidget {
    Q_OBJECT

public:
    explicit WelcomeStep(QWidget* parent = nullptr);
};

// "Permission": why Screen Recording is needed, and a way to grant it until it is granted.
class PermissionStep final : public QWidget {
    Q_OBJECT

public:
    explicit PermissionStep(PermissionsService& permissions, QWidget* parent = nullptr);

private:
    void refresh();

    PermissionsService& permissions_;
    SymbolView* shield_;
    QLabel* heading_;
    QWidget* request_;
    QWidget* granted_;
};

// "Shortcuts": the two recorders, and the Accessibility notice or the overlay tip.
class ShortcutStep final : public QWidget {
    Q_OBJECT

public:
    ShortcutStep(Preferences& preferences, PermissionsService& permissions, HotkeyManager& hotkeys,
                 QWidget* parent = nullptr);
};

// "Your agent": what the agent server is, and the connection list.
class AgentStep final : public QWidget {
    Q_OBJECT

public:
    explicit AgentStep(QWidget* parent = nullptr);
};

// "Ready": the shortcuts as key hints, and a first capture to try.
class ReadyStep final : public QWidget {
    Q_OBJECT

public:
    ReadyStep(Preferences& preferences, std::function<void()> onTryCapture,
              QWidget* parent = nullptr);
    QAbstractButton* tryCaptureButton() const { return tryCapture_; }

private:
    QAbstractButton* tryCapture_;
};

} // namespace tavro
