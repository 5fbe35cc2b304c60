#pragma once

#include <QString>

class QWidget;

namespace platform {

struct FileDialogRequest {
    QString title;
    QString startDirectory;
    QString proposedName;   // save dialog only
    QString qtFilter;       // "Desc (*.a *.b);;Other (*)"
};

// The desktop's open and save dialogs. An empty result means cancel.
class FileDialogProvider {
public:
    virtual ~FileDialogProvider() = default;
    virtual QString open(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual QString save(QWidget* owner, const FileDialogRequest& request) = 0;
};

FileDialogProvider& fileDialogs();

} // namespace platform
