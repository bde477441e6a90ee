#pragma once

#include <QWidget>

#include <vector>

namespace tavro {

class HotkeyManager;
class HotkeyRecorderView;
class KeyHint;
class PermissionsService;
class Preferences;

// The Shortcuts tab: the two capture shortcuts' recorders with their conflict warnings, the
// keys of the flow for reference, and the Accessibility notice while a tap shortcut waits for it.
// A recorded shortcut is stored at once; the shell arms it.
class ShortcutSettings final : public QWidget {
    Q_OBJECT

public:
    ShortcutSettings(Preferences& preferences, PermissionsService& permissions,
                     HotkeyManager& hotkeys, QWidget* parent = nullptr);

    const std::vector<HotkeyRecorderView*>& recorders() const { return recorders_; }
    QWidget* accessibilityNotice() const { return notice_; }

private:
    void refreshReferences();

    Preferences& preferences_;
    HotkeyManager& hotkeys_;
    std::vector<HotkeyRecorderView*> recorders_;
    std::vector<KeyHint*> pressedTwiceHints_;
    QWidget* notice_ = nullptr;
};

} // namespace tavro
