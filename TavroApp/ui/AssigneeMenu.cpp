#include "ui/AssigneeMenu.h"

#include "ui/Labels.h"
#include "ui/MenuText.h"
#include "ui/PersonAvatar.h"
#include "ui/ShownText.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>

namespace tavro {

std::vector<AssigneeEntry> assigneeEntries(const std::vector<Person>& people) {
    std::vector<AssigneeEntry> entries{{false, "Unassigned", std::nullopt}};
    for (bool bots : {false, true}) {
        bool first = true;
        for (const Person& person : people) {
            if (person.isBot() != bots)
                continue;
            if (first)
                entries.push_back({true, {}, std::nullopt});
            first = false;
            entries.push_back({false, bots ? person.name + " (bot)" : person.name, person.id});
        }
    }
    return entries;
}

AssigneeMenu::AssigneeMenu(std::vector<Person> people, std::optional<Person> selected,
                           std::function<void(const std::optional<std::string>&)> onSelect,
                           bool compact, QWidget* parent)
    : QToolButton(parent) {
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"
                                 "QToolButton::menu-indicator { image: none; width: 0; }"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addWidget(new PersonAvatar(selected, 16, this), 0, Qt::AlignVCenter);
    if (!compact) {
        auto* name = plainLabel(
            selected ? shownName(toQString(selected->name)) : QStringLiteral("Unassigned"), this);
        name->setFont(Theme::Font::caption());
        QPalette colours = name->palette();
        colours.setColor(
            QPalette::WindowText,
            (selected ? Theme::textSecondary : Theme::textTertiary).resolved(palette()));
        name->setPalette(colours);
        row->addWidget(name, 0, Qt::AlignVCenter);
    }
    setFixedSize(row->sizeHint());

    auto* menu = new QMenu(this);
    for (const auto& entry : assigneeEntries(people)) {
        if (entry.divider) {
            menu->addSeparator();
            continue;
        }
        menu->addAction(literalMenuText(toQString(entry.title)), this,
                        [onSelect, id = entry.personID] {
                            if (onSelect)
                                onSelect(id);
                        });
    }
    setMenu(menu);
}

} // namespace tavro
