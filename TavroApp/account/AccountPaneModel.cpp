#include "account/AccountPaneModel.h"

#include "account/AccountTexts.h"
#include "ui/PlatformTexts.h"

namespace tavro::AccountPaneModel {

using Kind = SyncStatus::Kind;

Page page(const Snapshot& account) {
    const Kind kind = account.status.kind;
    if (kind == Kind::signedOut || kind == Kind::sessionExpired || !account.me)
        return Page::signedOut;
    return Page::signedIn;
}

SignedOut signedOut(const Snapshot& account) {
    SignedOut content;
    content.expiredNote = account.status.kind == Kind::sessionExpired;
    if (account.pendingCode)
        content.userCode = account.pendingCode->userCode;
    content.error = account.signInError;
    return content;
}

SignedIn signedIn(const Snapshot& account) {
    SignedIn content;
    if (account.me)
        content.person = *account.me;
    content.statusLine = account.statusLine;
    content.dot = statusColor(account.status.kind);
    content.canSyncNow = account.status.kind != Kind::syncing;

    std::optional<std::string> defaultName;
    for (const Workspace& workspace : account.workspaces) {
        if (account.defaultWorkspaceID && workspace.id == *account.defaultWorkspaceID &&
            !content.selectedWorkspace) {
            content.selectedWorkspace = content.workspaces.size();
            defaultName = workspace.name;
        }
        content.workspaces.push_back({workspace.name, workspace.id});
    }
    content.workspaceHint = account.workspaces.size() >= 2;

    if (account.localCaptureCount >= 1)
        content.local =
            LocalCaptures{localCapturesTitle(account.localCaptureCount),
                          localCapturesDetail(defaultName), account.defaultWorkspaceID.has_value()};

    for (const SyncLogLine& line : account.log)
        content.log.push_back({line.id, line.at, line.message, logColor(line.level)});
    return content;
}

DynamicColor statusColor(Kind kind) {
    switch (kind) {
    case Kind::idle:
        return Theme::statusResolved;
    case Kind::offline:
        return Theme::statusArchived;
    case Kind::failed:
        return Theme::priorityHigh;
    case Kind::syncing:
        return Theme::statusInProgress;
    case Kind::signedOut:
    case Kind::sessionExpired:
        break;
    }
    return Theme::textTertiary;
}

DynamicColor logColor(std::string_view level) {
    return level == "error" ? Theme::priorityHigh : Theme::textSecondary;
}

std::string localCapturesTitle(std::int64_t count) {
    std::string title = std::to_string(count);
    title += AccountTexts::capture;
    if (count != 1)
        title += AccountTexts::plural;
    title += PlatformTexts::onlyHereSuffix;
    return title;
}

std::string localCapturesDetail(const std::optional<std::string>& workspaceName) {
    std::string detail(AccountTexts::moveThemTo);
    detail += workspaceName ? *workspaceName : std::string(AccountTexts::yourWorkspace);
    detail += AccountTexts::syncLikeEverythingElse;
    return detail;
}

std::string signOutMessage(std::optional<std::int64_t> changesLost) {
    std::string message(PlatformTexts::signOutMessage);
    if (changesLost.value_or(0) < 1)
        return message;
    message += "\n\n" + std::to_string(*changesLost);
    message += AccountTexts::change;
    if (*changesLost != 1)
        message += AccountTexts::plural;
    message += AccountTexts::notYetSyncedWillBeLost;
    return message;
}

} // namespace tavro::AccountPaneModel
