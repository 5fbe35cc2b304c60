#include "core/FirstStart.h"

#include "core/Ini.h"
#include "core/Logs.h"

#include <QFile>

namespace {

struct StarterKey {
    const char* section;
    const char* key;
    const char* value;
};

// Without these the first published page would carry a memo form that
// points at a closed port, times out at once and has no size, and would go
// on saying "Online" after the program has ended.
const StarterKey kStarterSet[] = {
    {"Memo", "Enabled", "True"},
    {"Memo", "MemoServer Port", "4175"},
    {"Memo", "Reply Timeout", "120"},
    {"Memo", "Reply", "True"},
    {"Memo", "Rows", "5"},
    {"Memo", "Columns", "40"},
    {"Default", "HTML ONline", "on.html"},
    {"Default", "HTML OFFline", "off.html"},
    {"Default", "RemoteFile", "index.html"},
    {"Default", "AUTO", "True"},
    {"DialUp", "Auto Offline", "True"},
};

} // namespace

bool WriteStarterSettingsOnFirstStart()
{
    if (QFile::exists(IniPath()))
        return false;
    QList<IniValue> values;
    for (const StarterKey& entry : kStarterSet)
        values.append({QString::fromLatin1(entry.section), QString::fromLatin1(entry.key),
                       QString::fromLatin1(entry.value)});
    // A failed write has been told; the next start tries again.
    if (!WriteIniValues(values))
        return false;
    DebugLog(QStringLiteral("[HVRN] First start: starter settings written to ") + IniPath());
    return true;
}
