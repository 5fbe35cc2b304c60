#include "publish/AddressWatch.h"

#include "core/Form1.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "publish/AddressLookup.h"
#include "publish/PublicAddress.h"

#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace publish {
namespace {

constexpr int kDefaultMinutes = 5;
constexpr int kMaxMinutes = 24 * 60;

int checkIntervalMs()
{
    bool ok = false;
    const int minutes = ReadIni(QStringLiteral("StartUp"), QStringLiteral("Address Check Minutes"), QString())
                            .trimmed()
                            .toInt(&ok);
    return std::clamp(ok ? minutes : kDefaultMinutes, 1, kMaxMinutes) * 60 * 1000;
}

QString publicAddressSetting()
{
    return ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString()).trimmed();
}

} // namespace

bool CheckPublicAddress(Form1& form, int maxAgeMs)
{
    bool changed = false;
    TrapErrors("CheckPublicAddress", [&] {
        if (!PublicAddressIsAuto())
            return;
        changed = RefreshPublicAddress(maxAgeMs);
        ShowAddress(form);
        if (changed && !form.exiting())
            form.Timer3->start();
    });
    return changed;
}

void StartAddressWatch(Form1& form)
{
    auto* timer = new QTimer(&form);
    timer->setObjectName(QStringLiteral("tmrPublicAddress"));
    timer->setInterval(checkIntervalMs());
    QObject::connect(timer, &QTimer::timeout, &form, [&form, timer] {
        timer->setInterval(checkIntervalMs());
        CheckPublicAddress(form);
    });
    timer->start();
    QTimer::singleShot(0, &form, [&form] { CheckPublicAddress(form); });
    if (auto* field = form.findChild<QLineEdit*>(QStringLiteral("txtPublicAddress"))) {
        // editingFinished also comes when focus merely leaves the field.
        auto last = std::make_shared<QString>(publicAddressSetting());
        QObject::connect(field, &QLineEdit::editingFinished, &form, [&form, last] {
            const QString now = publicAddressSetting();
            if (now.compare(*last, Qt::CaseInsensitive) == 0)
                return;
            *last = now;
            ForgetDiscoveredAddress();
            ShowAddress(form);
            CheckPublicAddress(form);
        });
    }
}

} // namespace publish
