#pragma once

#include "detail/DetailHeaderContent.h"

#include <QWidget>

class QAbstractButton;
class QHBoxLayout;

namespace tavro {

class AppIconView;
class ElidedLabel;
class IconButton;

// The bar over the detail pane: back, the capture's title over where and when it was taken,
// the image actions and delete. Reports what the user asks for; changes nothing itself.
class DetailHeaderBar final : public QWidget {
    Q_OBJECT

public:
    explicit DetailHeaderBar(QWidget* parent = nullptr);

    void present(const DetailHeaderContent& content, const std::optional<std::string>& bundleID);
    const DetailHeaderContent& content() const { return content_; }

    QAbstractButton* backButton() const;
    QAbstractButton* zoomButton() const;
    QAbstractButton* revealButton() const;
    QAbstractButton* copyButton() const;
    QAbstractButton* deleteButton() const;

signals:
    void backRequested();
    void zoomToggled();
    void revealRequested();
    void copyRequested();
    void deleteRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DetailHeaderContent content_;
    std::optional<std::string> bundleID_;
    bool presented_ = false;
    IconButton* back_ = nullptr;
    ElidedLabel* title_ = nullptr;
    QHBoxLayout* contextLine_ = nullptr;
    AppIconView* appIcon_ = nullptr;
    ElidedLabel* appName_ = nullptr;
    ElidedLabel* windowSeparator_ = nullptr;
    ElidedLabel* windowTitle_ = nullptr;
    ElidedLabel* createdAt_ = nullptr;
    IconButton* zoom_ = nullptr;
    IconButton* reveal_ = nullptr;
    IconButton* copy_ = nullptr;
    IconButton* delete_ = nullptr;
};

} // namespace tavro
