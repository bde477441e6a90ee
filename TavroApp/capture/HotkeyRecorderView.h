#pragma once

#include "capture/HotkeyRecorderModel.h"
#include "values/PreferenceKeys.h"

#include <QTimer>
#include <QWidget>

#include <map>
#include <optional>

class QLabel;
class QAbstractButton;

namespace tavro {

class Preferences;

// One settings row for a capture shortcut: its title, how to trigger it (or what is being
// recorded), its warning and conflict, and the button that records a new one into the
// preference. Recording takes every key the application receives until it commits or cancels.
class HotkeyRecorderView final : public QWidget {
    Q_OBJECT

public:
    HotkeyRecorderView(const QString& title, Preferences& preferences, PreferenceKey key,
                       QWidget* parent = nullptr);
    ~HotkeyRecorderView() override;
    HotkeyRecorderView(const HotkeyRecorderView&) = delete;
    HotkeyRecorderView& operator=(const HotkeyRecorderView&) = delete;

    // Whether another client owns the bound shortcut.
    void setConflict(bool conflict);

    HotkeyRecorderModel& model() { return model_; }
    QAbstractButton* button() const { return button_; }
    QString hint() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void toggle();
    void refresh();
    HotkeyBinding bound() const;

    struct KeyStroke {
        quint32 scanCode = 0;
        quint64 timestamp = 0;
        int key = 0;
    };
    // A release is held back for a moment, in case the press that follows makes it a repeat.
    void applyHeldRelease();
    bool applyStroke(const KeyStroke& stroke, bool press, Qt::KeyboardModifiers modifiers);

    Preferences& preferences_;
    PreferenceKey key_;
    HotkeyRecorderModel model_;
    bool conflict_ = false;
    bool filtering_ = false;
    std::map<quint32, ModifierSet> heldModifierKeys_;
    std::optional<KeyStroke> heldRelease_;
    QTimer releaseTimer_;

    QLabel* hint_;
    QWidget* warningRow_;
    QLabel* warning_;
    QLabel* conflictLine_;
    QAbstractButton* button_;
};

} // namespace tavro
