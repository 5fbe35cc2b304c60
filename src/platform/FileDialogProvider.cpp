#include "platform/FileDialogProvider.h"

#include "platform/MessageBoxes.h"
#include "platform/Override.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace platform {

QString NameFilterForMatching(const QString& qtFilter)
{
    static const QRegularExpression allFiles(QStringLiteral(R"((?<=[( ])\*\.\*(?=[ )]))"));
    QString filter = qtFilter;
    return filter.replace(allFiles, QStringLiteral("*"));
}

namespace {

class QtFileDialogs final : public FileDialogProvider {
  public:
    QString open(QWidget* owner, const FileDialogRequest& request) override
    {
        QFileDialog dialog(owner, request.title, request.startDirectory,
                           NameFilterForMatching(request.qtFilter));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return chosen(dialog);
    }

    QString save(QWidget* owner, const FileDialogRequest& request) override
    {
        QFileDialog dialog(owner, request.title, request.startDirectory,
                           NameFilterForMatching(request.qtFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.proposedName.isEmpty())
            dialog.selectFile(request.proposedName);
        // The dialog asks before overwriting; we also ask before creating.
        for (;;) {
            const QString path = chosen(dialog);
            if (path.isEmpty() || QFileInfo::exists(path) || confirmCreate(&dialog, path))
                return path;
        }
    }

  private:
    static QString chosen(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    }

    static bool confirmCreate(QWidget* owner, const QString& path)
    {
        MsgBoxRequest ask;
        ask.title = owner->windowTitle();
        ask.text = path + QStringLiteral("\nThis file does not exist.\nCreate the file?");
        ask.buttons = MsgButtons::YesNo;
        ask.icon = MsgIcon::Question;
        return messageBoxes().show(owner, ask) == MsgAnswer::Yes;
    }
};

} // namespace

FileDialogProvider& fileDialogs()
{
    return resolve<FileDialogProvider, QtFileDialogs>();
}

} // namespace platform
