#pragma once

#include <QString>

class QWidget;

namespace platform {

struct FileDialogRequest {
    QString title;
    QString startDirectory;
    QString proposedName; // save dialog only
    QString qtFilter;     // "Desc (*.a *.b);;Other (*)"
};

// The desktop's open and save dialogs. An empty result means cancel.
class FileDialogProvider {
  public:
    virtual ~FileDialogProvider() = default;
    virtual QString open(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual QString save(QWidget* owner, const FileDialogRequest& request) = 0;
};

FileDialogProvider& fileDialogs();

// "*.*" means "every file" to our callers; to Qt it means "names with a
// dot", which would hide programs and other files without an extension.
// The real dialogs match with "*" instead.
QString NameFilterForMatching(const QString& qtFilter);

} // namespace platform
