#include "model/Paths.h"
#include "shell/Utf8.h"
#include "store/CaptureStore.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <memory>

using namespace tavro;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("tavro"));
    QApplication::setApplicationName(QStringLiteral("Tavro"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRO_VERSION));

    std::unique_ptr<CaptureStore> store;
    QString message;
    try {
        store = std::make_unique<CaptureStore>(TavroPaths::databaseURL());
        message = QStringLiteral("Library: ") + toQString(TavroPaths::support().string());
    } catch (const std::exception& error) {
        message = toQString(error.what()) + QStringLiteral("\n\nLibrary location: ") +
                  toQString(TavroPaths::support().string());
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tavro"));
    auto* label = new QLabel(message, &window);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    window.setCentralWidget(label);
    window.resize(720, 480);
    window.show();
    return app.exec();
}
