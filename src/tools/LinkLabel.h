#pragma once

#include <QLabel>

// A label that acts as a link: blue with a hand pointer while the mouse is
// over it, black otherwise, and clicked() on a left click.
class LinkLabel : public QLabel {
    Q_OBJECT

  public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
    bool hovered() const { return hovered_; }
    void setHovered(bool hovered);

  signals:
    void clicked();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool hovered_ = false;
};
