#include "platform/FileDialogProvider.h"

#include "platform/Override.h"

#include <QDir>
#include <QFileDialog>

namespace platform {
namespace {

class QtFileDialogs final : public FileDialogProvider {
public:
    QString open(QWidget* owner, const FileDialogRequest& request) override
    {
        QFileDialog dialog(owner, request.title, request.startDirectory, request.qtFilter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return run(dialog);
    }

    QString save(QWidget* owner, const FileDialogRequest& request) override
    {
        QFileDialog dialog(owner, request.title, request.startDirectory, request.qtFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.proposedName.isEmpty())
            dialog.selectFile(request.proposedName);
        return run(dialog);
    }

private:
    static QString run(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }
};

} // namespace

FileDialogProvider& fileDialogs() { return resolve<FileDialogProvider, QtFileDialogs>(); }

} // namespace platform
