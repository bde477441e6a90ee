#include "settings/AgentSettings.h"

#include "agents/AgentTexts.h"
#include "agents/MCPConnectionList.h"
#include "settings/ToolSummary.h"
#include "ui/Labels.h"
#include "ui/PlatformTexts.h"
#include "values/Utf8.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tavro {

namespace {

constexpr int toolNameWidth = 150;

QWidget* header(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(
        themedLabel(toQString(AgentTexts::title), Theme::Font::title(), Theme::textPrimary, box));
    auto* intro = themedLabel(toQString(PlatformTexts::agentServerIntro), Theme::Font::callout(),
                              Theme::textSecondary, box);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    return box;
}

QWidget* tools(QWidget* parent) {
    auto* box = new QWidget(parent);
    box->setAccessibleName(toQString(AgentTexts::toolsSection));
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(new SectionLabel(toQString(AgentTexts::toolsSection), box));
    for (const ToolSummary& tool : ToolSummary::all()) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* name = themedLabel(toQString(tool.name), Theme::Font::mono(), Theme::accent, box);
        name->setObjectName(QStringLiteral("toolName"));
        name->setFixedWidth(toolNameWidth);
        row->addWidget(name, 0, Qt::AlignTop);
        auto* detail =
            themedLabel(toQString(tool.detail), Theme::Font::caption(), Theme::textSecondary, box);
        detail->setObjectName(QStringLiteral("toolDetail"));
        detail->setWordWrap(true);
        row->addWidget(detail, 1, Qt::AlignTop);
        layout->addLayout(row);
    }
    return box;
}

} // namespace

AgentSettings::AgentSettings(MCPInstaller installer, QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    // The keyboard goes to the tab's buttons; the area scrolls to whichever has the focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addWidget(header(content));
    list_ = new MCPConnectionList(std::move(installer), content);
    layout->addWidget(list_);
    layout->addWidget(tools(content));
    layout->addStretch(1);
    scroll->setWidget(content);
}

} // namespace tavro
