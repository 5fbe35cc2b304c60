#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class Presence;

// Options > Presence: when the program goes away by itself and what away means.
class frmPresence : public QDialog {
    Q_OBJECT

  public:
    frmPresence(Presence& presence, QWidget* owner);

    QSpinBox* spnMinutes = nullptr;
    QComboBox* cboWhenAway = nullptr;
    QCheckBox* chkAsleep = nullptr;
    QLabel* lblBackend = nullptr;

    // Shows the stored settings and what detects presence.
    void showSettings();
    // OK: stores the fields and lets presence follow them.
    void saveSettings();

  private:
    Presence& presence_;
};
