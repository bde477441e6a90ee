#pragma once

#include <QWidget>

class QLabel;

namespace tavro {

// A notice with a warning triangle, on a faint amber panel; the message wraps.
class AgentWarning final : public QWidget {
    Q_OBJECT

public:
    explicit AgentWarning(const QString& message = {}, QWidget* parent = nullptr);
    void setMessage(const QString& message);
    QString message() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* text_ = nullptr;
};

} // namespace tavro
