#pragma once

#include <QByteArray>
#include <QString>

namespace publish {

// The memo text area's wrap attribute, set by every expansion and read by
// the memo server's pages.
const QByteArray& WrapAttr();

// The output page file in the program directory.
QString OutputPagePath();

struct PageRequest {
    QString templateFile; // full path
    QString status;       // "Online" or "Offline"
    QString profileName;  // shown in the memo form's Site field
    bool credits = true;  // Show Credits check mark
};

// Expands the template into the output page file and logs
// "[HVRN] Custom Variables Updated". A template that cannot be read, a page
// that cannot be written and an unreadable RemoveComments setting throw
// ProgramError, which ends the upload that asked for the page.
void ExpandTemplate(const PageRequest& request);

// Largest template accepted; a bigger file is refused with an error.
inline constexpr qint64 kTemplateLimit = qint64(64) * 1024 * 1024;

} // namespace publish
