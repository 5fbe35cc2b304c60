#include "memo/ColorSelect.h"

#include "memo/MemoColors.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

constexpr int kCell = 16;

// The palette's one-pixel frame: white on the left and top, black on the
// right and bottom.
class PaletteFrame final : public QFrame {
  public:
    using QFrame::QFrame;

  protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter p(this);
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.setPen(Qt::white);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(Qt::black);
        p.drawLine(r.topRight(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.bottomRight());
    }
};

void fill(QLabel* label, const QColor& color)
{
    label->setAutoFillBackground(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, color);
    label->setPalette(pal);
}

} // namespace

ColorSelect::ColorSelect(const QString& prefix, QWidget* window, QWidget* swatchParent)
    : QObject(window), window_(window)
{
    swatch_ = new QLabel(swatchParent);
    swatch_->setObjectName(QStringLiteral("pb%1Color").arg(prefix));
    swatch_->setFixedSize(40, 20);
    swatch_->setFrameStyle(QFrame::Box | QFrame::Plain);
    swatch_->setFocusPolicy(Qt::NoFocus);

    drop_ = new QPushButton(QStringLiteral("v"), swatchParent);
    drop_->setObjectName(QStringLiteral("CmdDrop%1Color").arg(prefix));
    drop_->setFixedSize(20, 20);
    drop_->installEventFilter(this);
    connect(drop_, &QPushButton::clicked, this, &ColorSelect::togglePalette);

    palette_ = new PaletteFrame(window);
    palette_->setObjectName(QStringLiteral("Pct%1ColorSelect").arg(prefix));
    palette_->setFocusPolicy(Qt::NoFocus);
    palette_->setFixedSize(4 * kCell + 2, 4 * kCell + 2);
    for (int i = 0; i < kMemoColorCount; ++i) {
        auto* c = new QLabel(palette_);
        c->setObjectName(QStringLiteral("Lbl%1Color_%2").arg(prefix).arg(i));
        c->setGeometry(1 + (i % 4) * kCell, 1 + (i / 4) * kCell, kCell, kCell);
        c->setFocusPolicy(Qt::NoFocus);
        fill(c, PaletteColor(i));
        c->installEventFilter(this);
        cells_[size_t(i)] = c;
    }
    palette_->hide();
}

void ColorSelect::setSwatchIndex(int index)
{
    swatchIndex_ = index;
    fill(swatch_, PaletteColor(index));
}

void ColorSelect::setEnabled(bool enabled)
{
    drop_->setEnabled(enabled);
    swatch_->setEnabled(enabled);
    if (!enabled)
        palette_->hide();
}

void ColorSelect::pick(int index)
{
    setSwatchIndex(index);
    palette_->hide();
    emit picked(index);
}

void ColorSelect::togglePalette()
{
    if (palette_->isVisible()) {
        palette_->hide();
        return;
    }
    palette_->move(swatch_->mapTo(window_, QPoint(0, swatch_->height())));
    palette_->raise();
    palette_->show();
    drop_->setFocus();
}

bool ColorSelect::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == drop_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            palette_->hide();
            return true;
        }
        if (event->type() == QEvent::FocusOut)
            palette_->hide();
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        for (int i = 0; i < kMemoColorCount; ++i) {
            if (watched == cell(i)) {
                pick(i);
                return true;
            }
        }
    }
    return false;
}
