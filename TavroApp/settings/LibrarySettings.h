#pragma once

#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QAbstractButton;

namespace tavro {

class AppActions;
class Library;

// The Library tab: how many captures the library holds and how many are open, what its
// screenshots take on disk (measured off the GUI thread each time the tab comes on screen), where
// it lives, the version, and the way back into onboarding.
class LibrarySettings final : public QWidget {
    Q_OBJECT

public:
    LibrarySettings(Library& library, AppActions& actions, QWidget* parent = nullptr);

    QString sizeOnDisk() const;
    QString capturesText() const;
    QString openText() const;
    QAbstractButton* locationButton() const { return location_; }

signals:
    // A measurement came back and is shown.
    void measured();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showCounts();
    void measure();

    Library& library_;
    QLabel* captures_;
    QLabel* open_;
    QLabel* size_;
    QAbstractButton* location_;
};

} // namespace tavro
