#pragma once

#include <QFrame>
#include <QLabel>

#include <array>

class QPushButton;

// One colour drop-down of the memo settings: a swatch, a drop button and a
// borderless palette of the 16 memo colours that opens under the swatch.
// The drop button keeps the focus while the palette is open; losing it, or
// Escape, closes the palette.
class ColorSelect : public QObject {
    Q_OBJECT

  public:
    // prefix names the controls: "Fore" gives pbForeColor, CmdDropForeColor,
    // PctForeColorSelect and LblForeColor_0 .. LblForeColor_15.
    ColorSelect(const QString& prefix, QWidget* window, QWidget* swatchParent);

    QLabel* swatch() const { return swatch_; }
    QPushButton* dropButton() const { return drop_; }
    QFrame* palette() const { return palette_; }
    QLabel* cell(int index) const { return cells_[size_t(index)]; }

    void setSwatchIndex(int index);
    int swatchIndex() const { return swatchIndex_; }
    void setEnabled(bool enabled);

    // Cell index clicked: the swatch takes its colour, the palette closes.
    void pick(int index);

  signals:
    void picked(int index);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void togglePalette();

    QWidget* window_;
    QLabel* swatch_;
    QPushButton* drop_;
    QFrame* palette_;
    std::array<QLabel*, 16> cells_{};
    int swatchIndex_ = -1;
};
