#pragma once

#include "account/AccountPaneModel.h"

#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;

namespace tavro {

class SecondaryButton;
class StatusDot;
class SyncLogGroup;

// The account pane for the signed-in user: who it is, the sync status, where new captures are
// filed, the captures never filed in a workspace, the sync log and the way out.
class AccountSignedInView final : public QWidget {
    Q_OBJECT

public:
    explicit AccountSignedInView(QWidget* parent = nullptr);

    void render(const AccountPaneModel::SignedIn& content);

    SecondaryButton* syncNowButton() const { return syncNow_; }
    SecondaryButton* moveButton() const { return move_; }
    QComboBox* workspacePicker() const { return picker_; }
    SyncLogGroup* log() const { return log_; }

signals:
    void openWebAppRequested();
    void syncNowRequested();
    void workspaceChosen(const std::string& id);
    void moveRequested();
    void signOutRequested();

private:
    QWidget* accountRow();
    QWidget* statusRow();
    QWidget* localRow();

    QHBoxLayout* accountLayout_ = nullptr;
    QWidget* avatar_ = nullptr;
    std::optional<Person> shownPerson_;
    QLabel* name_ = nullptr;
    QLabel* email_ = nullptr;
    StatusDot* dot_ = nullptr;
    QLabel* statusLine_ = nullptr;
    SecondaryButton* syncNow_ = nullptr;
    QComboBox* picker_ = nullptr;
    std::vector<AccountPaneModel::WorkspaceOption> shownOptions_;
    QWidget* hint_ = nullptr;
    QWidget* local_ = nullptr;
    QLabel* localTitle_ = nullptr;
    QLabel* localDetail_ = nullptr;
    SecondaryButton* move_ = nullptr;
    SyncLogGroup* log_ = nullptr;
};

} // namespace tavro
