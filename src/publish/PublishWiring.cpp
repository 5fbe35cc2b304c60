#include "publish/PublishWiring.h"

#include "core/AppHooks.h"
#include "core/Form1.h"
#include "core/ProgramError.h"
#include "publish/AddressLookup.h"
#include "publish/AddressWatch.h"
#include "publish/ConnectionWatch.h"
#include "publish/FailureNotice.h"
#include "publish/Profiles.h"
#include "publish/PublicAddress.h"
#include "publish/Publisher.h"
#include "publish/SampleTemplates.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

QPointer<Form1> g_form;

void markDirtyOnChange(Form1& form, publish::Publisher& publisher)
{
    for (QLineEdit* edit :
         {form.txtHost, form.txtlogin, form.txtPass, form.txtDir, form.txtRemoteFile, form.txtHtml})
        QObject::connect(edit, &QLineEdit::textChanged, &publisher,
                         [&publisher] { publisher.ProfileDirty = true; });
    QObject::connect(&form, &Form1::profileLoading, &publisher,
                     [&publisher] { publisher.ProfileDirty = false; });
}

void onAction(Form1& form, const char* name, void (*handler)(Form1&))
{
    QObject::connect(publish::MainAction(form, name), &QAction::triggered, &form,
                     [&form, handler] { handler(form); });
}

void onClick(Form1& form, QPushButton* button, std::function<void()> handler)
{
    QObject::connect(button, &QPushButton::clicked, &form, std::move(handler));
}

} // namespace

void InstallPublishHooks()
{
    Hooks().uploadFile = [](const QString& templatePath, const QString& status) {
        publish::Publisher* publisher = publish::CurrentPublisher();
        if (!publisher)
            return;
        if (!g_form) {
            publisher->UploadFile(templatePath, status);
            return;
        }
        // Every publish asks: an address found earlier may be gone by now.
        publish::CheckPublicAddress(*g_form);
        publish::UploadAndTell(*g_form, *publisher, templatePath, status);
    };
    Hooks().publishResult = [] {
        const publish::Publisher* publisher = publish::CurrentPublisher();
        if (!publisher)
            return QStringLiteral("publishing is not available");
        if (publisher->lastOutcome() == publish::Publisher::Outcome::Published)
            return QString();
        return publisher->lastReason().isEmpty() ? QStringLiteral("the page was not published")
                                                 : publisher->lastReason();
    };
    Hooks().addressCheck = [] {
        if (g_form)
            publish::Timer3_Timer(*g_form);
    };
    Hooks().recheckPublicAddress = [] {
        if (g_form)
            publish::CheckPublicAddress(*g_form);
    };
    Hooks().startSock = [] {
        if (g_form)
            publish::StartSock(*g_form);
    };
    Hooks().updateSock = [] {
        if (g_form)
            publish::UpdateSock(*g_form);
    };
}

void AttachPublishing(Form1& form)
{
    g_form = &form;
    // Server replies and resolver answers are shown here: never as markup.
    for (QLabel* label : {form.ftpStatus, form.IP, form.lastUpdate})
        label->setTextFormat(Qt::PlainText);
    auto* publisher = new publish::Publisher(form);
    TrapErrors("AttachPublishing", [] { publish::WriteSampleTemplates(); });
    publish::AddPublicAddressField(form);
    publish::StartAddressWatch(form);
    markDirtyOnChange(form, *publisher);
    QObject::connect(form.cmdAbort, &QPushButton::clicked, publisher,
                     [publisher] { publisher->cmdAbort_Click(); });
    QObject::connect(publish::MainAction(form, "mnuAbort"), &QAction::triggered, publisher,
                     [publisher] { publisher->cmdAbort_Click(); });
    onAction(form, "mnuadd", publish::mnuadd_Click);
    onAction(form, "mnudel", publish::mnudel_Click);
    onAction(form, "mnuSave", publish::mnuSave_Click);
    onClick(form, form.Search1, [&form] { publish::Search1_Click(form); });
    onClick(form, form.Search2, [&form] { publish::Search2_Click(form); });
    onClick(form, form.cmd_change, [&form] { publish::cmd_change_Click(form); });
    onClick(form, form.cmd_Edit_0, [&form] { publish::cmd_Edit_Click(form, 0); });
    onClick(form, form.cmd_Edit_1, [&form] { publish::cmd_Edit_Click(form, 1); });
}
