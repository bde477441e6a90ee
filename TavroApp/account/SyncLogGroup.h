#pragma once

#include "account/AccountPaneModel.h"

#include <QWidget>

#include <vector>

class QLabel;
class QVBoxLayout;

namespace tavro {

class DisclosureButton;

// The "Sync log" group: closed at first; open, the newest lines first with their age, errors in
// the alarm colour, or "Nothing yet." while the log is empty.
class SyncLogGroup final : public QWidget {
    Q_OBJECT

public:
    explicit SyncLogGroup(QWidget* parent = nullptr);

    void render(const std::vector<AccountPaneModel::LogRow>& rows);
    bool isOpen() const;
    void setOpen(bool open);
    DisclosureButton* toggle() const { return toggle_; }
    QWidget* lines() const { return lines_; }

private:
    DisclosureButton* toggle_ = nullptr;
    QWidget* lines_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    std::vector<AccountPaneModel::LogRow> shown_;
    std::vector<QLabel*> ages_;
};

} // namespace tavro
