#include "core/frmPresence.h"

#include "core/Presence.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

frmPresence::frmPresence(Presence& presence, QWidget* owner) : QDialog(owner), presence_(presence)
{
    setObjectName(QStringLiteral("frmPresence"));
    setWindowTitle(QStringLiteral("Presence"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    spnMinutes = new QSpinBox(this);
    spnMinutes->setObjectName(QStringLiteral("spnMinutes"));
    spnMinutes->setRange(0, 24 * 60);
    spnMinutes->setSuffix(QStringLiteral(" min"));
    spnMinutes->setSpecialValueText(QStringLiteral("never"));
    form->addRow(QStringLiteral("Away after &idle:"), spnMinutes);
    cboWhenAway = new QComboBox(this);
    cboWhenAway->setObjectName(QStringLiteral("cboWhenAway"));
    cboWhenAway->addItems({QStringLiteral("Away"), QStringLiteral("Offline")});
    cboWhenAway->setToolTip(QStringLiteral("Away: the memo server's away mode. Offline: the Auto Update "
                                           "profiles also get the Offline page."));
    form->addRow(QStringLiteral("&When away:"), cboWhenAway);
    layout->addLayout(form);
    chkAsleep = new QCheckBox(QStringLiteral("&Offline while the computer sleeps"), this);
    chkAsleep->setObjectName(QStringLiteral("chkAsleep"));
    layout->addWidget(chkAsleep);
    lblBackend = new QLabel(this);
    lblBackend->setObjectName(QStringLiteral("lblBackend"));
    lblBackend->setTextFormat(Qt::PlainText);
    lblBackend->setWordWrap(true);
    layout->addWidget(lblBackend);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        saveSettings();
        hide();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(&presence, &Presence::changed, this, &frmPresence::showSettings);
    showSettings();
}

void frmPresence::showSettings()
{
    const PresenceSettings s = PresenceSettings::read();
    spnMinutes->setValue(s.awayAfterMinutes);
    cboWhenAway->setCurrentIndex(s.offlineWhenAway ? 1 : 0);
    chkAsleep->setChecked(s.offlineWhileAsleep);
    const QString backend = presence_.backendText();
    lblBackend->setText(backend.isEmpty()       ? QStringLiteral("Looking for idle and lock detection...")
                        : presence_.automatic() ? QStringLiteral("Detected by the ") + backend
                                                : backend);
}

void frmPresence::saveSettings()
{
    PresenceSettings s;
    s.awayAfterMinutes = spnMinutes->value();
    s.offlineWhenAway = cboWhenAway->currentIndex() == 1;
    s.offlineWhileAsleep = chkAsleep->isChecked();
    // A settings file that cannot be written is told by the write itself.
    s.save();
    presence_.reloadSettings();
}
