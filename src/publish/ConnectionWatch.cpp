#include "publish/ConnectionWatch.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Presence.h"
#include "core/ProgramError.h"
#include "core/frmAuto.h"
#include "publish/AddressLookup.h"
#include "publish/Profiles.h"
#include "publish/PublicAddress.h"
#include "publish/Publisher.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTimer>

namespace publish {

void Timer3_Timer(Form1& form)
{
    TrapErrors("Timer3_Timer", [&] {
        form.Timer3->stop();
        Presence* presence = CurrentPresence();
        // What presence could not publish at its last change is tried again here.
        if (presence && presence->effects().owesPublish())
            presence->effects().retry();
        if (Core().ExitAfterUpload || !MainAction(form, "mnuGoOnline")->isChecked())
            return;
        RefreshPublicAddress(kRecentCheckMs);
        StartSock(form);
        if (IsUnusableAddress(AdvertisedAddress()))
            return;
        const frmAuto& list = *form.autoWindow();
        const QStringList names = list.names();
        for (int i = 0; i < names.size(); ++i) {
            // Presence keeps it offline until the user is back.
            if (!list.isSelected(i) || (presence && presence->holdsOffline(names[i])))
                continue;
            if (Publisher* publisher = CurrentPublisher())
                publisher->ProfileDirty = false;
            form.selectProfile(names[i]);
            const QString lastAddress = ReadIni(names[i], QStringLiteral("Current IP"), QString());
            if (lastAddress == AdvertisedAddress() && Core().CurrentStatus != QLatin1String("Offline"))
                continue;
            form.Combo1->setEnabled(false);
            QApplication::processEvents();
            form.cmd_Online_Click();
            form.Combo1->setEnabled(true);
        }
    });
}

} // namespace publish
