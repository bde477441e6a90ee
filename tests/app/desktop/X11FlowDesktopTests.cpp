#include "desktop/X11FlowDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

struct SeenAlert {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    QString informativeText;
    QStringList buttons; // sorted
};

// Reads the next modal alert when it shows and presses its button titled `press`.
class AlertReader final : public QObject {
public:
    explicit AlertReader(QString press)
        : press_(std::move(press)) {
        connect(&poll_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll_.stop();
            seen.icon = box->icon();
            seen.text = box->text();
            seen.informativeText = box->informativeText();
            for (QAbstractButton* button : box->buttons())
                seen.buttons.push_back(button->text());
            seen.buttons.sort();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == press_)
                    button->click();
        });
        poll_.start(10);
    }

    SeenAlert seen;

private:
    QString press_;
    QTimer poll_;
};

TEST(X11FlowDesktopTest, TheScreenshotFailureAlertOffersSettingsOnlyForAMissingPermission) {
    struct Case {
        const char* name;
        bool offerSettings;
        QString press;
        QStringList buttons;
        bool settingsChosen;
    };
    const std::vector<Case> cases{
        {"write failure", false, QStringLiteral("OK"), {QStringLiteral("OK")}, false},
        {"permission, OK",
         true,
         QStringLiteral("OK"),
         {QStringLiteral("OK"), QStringLiteral("Open Settings")},
         false},
        {"permission, settings",
         true,
         QStringLiteral("Open Settings"),
         {QStringLiteral("OK"), QStringLiteral("Open Settings")},
         true},
    };
    X11FlowDesktop desktop;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AlertReader reader(c.press);
        EXPECT_EQ(
            desktop.showCaptureFailure("Couldn't save the screenshot: disk full", c.offerSettings),
            c.settingsChosen);
        EXPECT_EQ(reader.seen.icon, QMessageBox::Warning);
        EXPECT_EQ(reader.seen.text, QStringLiteral("Tavro couldn't take that screenshot"));
        EXPECT_EQ(reader.seen.informativeText,
                  QStringLiteral("Couldn't save the screenshot: disk full"));
        EXPECT_EQ(reader.seen.buttons, c.buttons);
    }
}

} // namespace
