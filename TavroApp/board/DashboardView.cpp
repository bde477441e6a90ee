#include "board/DashboardView.h"

#include "shell/Library.h"
#include "shell/Theme.h"
#include "shell/Utf8.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace tavro {

DashboardView::DashboardView(Library& library, Preferences&, QWidget* parent)
    : QWidget(parent)
    , library_(library) {
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QStringLiteral("Inbox"), this);
    title->setFont(Theme::Font::display());
    list_ = new QListWidget(this);
    layout->addWidget(title);
    layout->addWidget(list_, 1);
    connect(&library_, &Library::reloaded, this, &DashboardView::refresh);
    refresh();
}

void DashboardView::refresh() {
    list_->clear();
    for (const Capture& capture : library_.captures()) {
        QString line = toQString(capture.title());
        line += QStringLiteral("  ·  ") + toQString(displayName(capture.status));
        list_->addItem(line);
    }
}

} // namespace tavro
