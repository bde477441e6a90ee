#pragma once

#include <QWidget>

class QListWidget;

namespace tavro {

class Library;
class Preferences;

// The board window's root view. For now a plain list of the board's captures, newest first
// within each priority, kept in step with the facade.
class DashboardView final : public QWidget {
    Q_OBJECT

public:
    DashboardView(Library& library, Preferences& preferences, QWidget* parent = nullptr);

private:
    void refresh();

    Library& library_;
    QListWidget* list_ = nullptr;
};

} // namespace tavro
