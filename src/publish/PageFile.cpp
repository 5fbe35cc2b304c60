#include "publish/PageFile.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/Logs.h"
#include "core/MemoSettingsView.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"
#include "core/WriteTrouble.h"
#include "platform/Clock.h"
#include "platform/WholeFile.h"
#include "publish/PublicAddress.h"
#include "publish/TemplateExpansion.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

namespace publish {
namespace {

QByteArray g_wrapAttr;

QByteArray readTemplate(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ProgramError(err::kFileNotFound,
                           QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    if (file.size() > kTemplateLimit)
        throw ProgramError(
            err::kOutOfMemory,
            QStringLiteral("%1 is larger than %2 MB").arg(path).arg(kTemplateLimit / (1024 * 1024)));
    QByteArray bytes = file.read(kTemplateLimit + 1);
    if (file.error() != QFileDevice::NoError)
        throw ProgramError(err::kDeviceIo,
                           QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return bytes;
}

void writePage(const QString& path, const QByteArray& page)
{
    platform::FileWriteError error;
    if (!platform::ReplaceWholeFile(path, page, &error))
        throw ProgramError(ErrorNumberForErrno(error.code), error.text);
}

bool removeComments()
{
    const QString text = ReadIni(QStringLiteral("StartUp"), QStringLiteral("RemoveComments"), QString());
    return !text.isEmpty() && TextToBool(text);
}

ExpansionInputs gatherInputs(const PageRequest& request)
{
    const MemoSettingsView& memo = MemoSettings();
    ExpansionInputs in;
    in.status = request.status.toUtf8();
    in.address = AdvertisedAddress().toUtf8();
    in.hostName = Core().LocalHostName.toUtf8();
    for (int i = 0; i < 5; ++i)
        in.custom[size_t(i)] = memo.customVariable(i).toUtf8();
    in.memo.address = in.address;
    in.memo.port = memo.port().toUtf8();
    in.memo.profile = request.profileName.toUtf8();
    in.memo.rows = memo.rows().toUtf8();
    in.memo.columns = memo.columns().toUtf8();
    in.memo.wrap = memo.wrap();
    in.memo.reply = memo.replyChecked();
    in.memo.httpsName = memo.httpsName().toUtf8();
    in.now = platform::clock().now();
    in.locale = QLocale();
    return in;
}

} // namespace

const QByteArray& WrapAttr()
{
    return g_wrapAttr;
}

QString OutputPagePath()
{
    return ProgramFile(QStringLiteral("$$tmp$$"));
}

void ExpandTemplate(const PageRequest& request)
{
    g_wrapAttr = WrapAttrFor(MemoSettings().wrap());
    const VariableValues values = ComputeValues(gatherInputs(request));
    PageOptions options;
    options.removeComments = removeComments();
    options.credits = request.credits;
    const QByteArray page = ExpandTemplateText(readTemplate(request.templateFile), values, options);
    writePage(OutputPagePath(), page);
    DebugLog(QStringLiteral("[HVRN] Custom Variables Updated"));
}

} // namespace publish
