#pragma once

#include "settings/GeneralSettingsModel.h"

#include <QWidget>

#include <vector>

class QComboBox;

namespace tavro {

class Library;
class PermissionsService;
class Preferences;

// The General tab: the capture switches and the group new captures go to, the page-URL option,
// and the two permissions. Every change is stored the moment it is made.
class GeneralSettings final : public QWidget {
    Q_OBJECT

public:
    GeneralSettings(Preferences& preferences, PermissionsService& permissions, Library& library,
                    QWidget* parent = nullptr);

    QComboBox* groupPicker() const { return groupPicker_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillGroupPicker();

    Preferences& preferences_;
    PermissionsService& permissions_;
    Library& library_;
    QComboBox* groupPicker_;
    std::vector<GeneralSettingsModel::GroupOption> shownOptions_;
};

} // namespace tavro
