#include "publish/Profiles.h"

#include "core/Encrypt.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/Loaders.h"
#include "core/OpenForUser.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/frmAuto.h"
#include "platform/Desktop.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QStandardPaths>

namespace publish {
namespace {

const QString kProfile = QStringLiteral("Profile");
const QString kDefault = QStringLiteral("Default");

void info(Form1& form, const QString& text, const QString& title = kProgramName,
          platform::MsgIcon icon = platform::MsgIcon::Information)
{
    MsgBox(text, platform::MsgButtons::Ok, icon, title, &form);
}

int slotCount()
{
    return ReadIni(kProfile, QStringLiteral("Count"), QString()).toInt();
}

QString chooseTemplate(Form1& form)
{
    return ShowOpenDialog(&form,
                          QStringLiteral("HTML Files|*.html;*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*"),
                          QStringLiteral("Select Offline HTML"), ProgramDir());
}

// The editor as typed: a path, or a program name found on PATH.
QString editorProgram(const QString& typed)
{
    if (QFileInfo(typed).isFile())
        return typed;
    if (!typed.contains(u'/'))
        return QStandardPaths::findExecutable(typed);
    return QString();
}

void openInEditor(Form1& form, const QString& editor, const QString& path)
{
    OpenForUser(&form, path, editor);
}

} // namespace

QAction* MainAction(Form1& form, const char* name)
{
    return form.findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

bool IsUsableProfileName(const QString& name)
{
    if (name.trimmed() != name || name.size() > 64)
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c == u'[' || c == u']' || c == u'=' || c == u';')
            return false;
    }
    return true;
}

void mnuadd_Click(Form1& form)
{
    TrapErrors("mnuadd_Click", [&] {
        const QString name = InputBox(QStringLiteral("Please Enter WebServer Profile Name"),
                                      QStringLiteral("Add New WebServer to list"), QString(), &form)
                                 .trimmed();
        if (name.isEmpty())
            return;
        if (name.toLower() == QLatin1String("default")) {
            info(form, QStringLiteral("Can't use 'Default' as a Profile"));
            return;
        }
        for (int i = 0; i < form.Combo1->count(); ++i) {
            if (form.Combo1->itemText(i).compare(name, Qt::CaseInsensitive) == 0) {
                info(form, QStringLiteral("Profile Already Exists"));
                return;
            }
        }
        if (!IsUsableProfileName(name)) {
            info(form, QStringLiteral("A profile name cannot hold [ ] = ; or control characters"));
            return;
        }
        const int n = slotCount() == 0 ? 1 : slotCount();
        int slot = n + 1;
        for (int s = 1; s <= n; ++s) {
            if (ReadIni(kProfile, QString::number(s), QString()).isEmpty()) {
                slot = s;
                break;
            }
        }
        form.Combo1->addItem(name);
        form.selectProfile(name);
        if (slot < n) {
            WriteIni(kProfile, QString::number(slot), name);
        } else {
            const int count = slotCount() + 1;
            WriteIni(kProfile, QStringLiteral("Count"), QString::number(count));
            WriteIni(kProfile, QString::number(count), name);
        }
        new QListWidgetItem(name, form.autoWindow()->lstProfiles);
    });
}

void mnudel_Click(Form1& form)
{
    TrapErrors("mnudel_Click", [&] {
        const QString name = form.Combo1->currentText();
        if (name == kDefault) {
            info(form, QStringLiteral("You can't delete Default"), QStringLiteral("Warning"),
                 platform::MsgIcon::Question);
            return;
        }
        const auto answer =
            MsgBox(QStringLiteral("Deleting ") + name + QStringLiteral("...\r\nAre you sure?"),
                   platform::MsgButtons::YesNo, platform::MsgIcon::Question, QStringLiteral("Delete Warning"),
                   &form);
        if (answer != platform::MsgAnswer::Yes)
            return;
        if (form.Combo1->currentIndex() < 0) {
            info(form, QStringLiteral("No Profile Selected"), QStringLiteral("Error"),
                 platform::MsgIcon::None);
            return;
        }
        const int count = slotCount();
        for (int s = 1; s <= count; ++s) {
            if (ReadIni(kProfile, QString::number(s), QString()) == name) {
                WriteIni(kProfile, QString::number(s));
                ForgetStoredPassword(name, QStringLiteral("pass"));
                WriteIni(name);
                form.Combo1->removeItem(form.Combo1->currentIndex());
                break;
            }
        }
        LoadProfiles(form);
    });
}

void mnuSave_Click(Form1& form)
{
    SaveProfile(form);
}

void Search1_Click(Form1& form)
{
    TrapErrors("Search1_Click", [&] {
        const QString path = chooseTemplate(form);
        if (!path.isEmpty())
            form.File1->setText(path);
    });
}

void Search2_Click(Form1& form)
{
    TrapErrors("Search2_Click", [&] {
        const QString path = chooseTemplate(form);
        if (!path.isEmpty())
            form.File2->setText(path);
    });
}

void cmd_change_Click(Form1& form)
{
    TrapErrors("cmd_change_Click", [&] {
        // Programs here carry no ".exe" (nor any dot): all files come first.
        const QString path =
            ShowOpenDialog(&form, QStringLiteral("All files|*|Excutable files (*.exe)|*.exe"),
                           QStringLiteral("Browse for HTML Editor"), QStringLiteral("/usr/bin"));
        if (!path.isEmpty())
            form.txtHtml->setText(path);
    });
}

void cmd_Edit_Click(Form1& form, int index)
{
    TrapErrors("cmd_Edit_Click", [&] {
        const QString typed = form.txtHtml->text().trimmed();
        const QString editor = typed.isEmpty() ? QString() : editorProgram(typed);
        if (!typed.isEmpty() && editor.isEmpty()) {
            info(form, QStringLiteral("Error: Program doesn't Exist!"), kProgramName,
                 platform::MsgIcon::None);
            return;
        }
        const QString templ = (index == 0 ? form.File1 : form.File2)->text();
        if (templ.isEmpty()) {
            info(form,
                 index == 0 ? QStringLiteral("Please fill in the blanks.. Online HTML Filename Required")
                            : QStringLiteral("Please fill in the blanks.. Offline HTML Filename Required"),
                 kProgramName, platform::MsgIcon::None);
            return;
        }
        if (QFileInfo(templ).isFile()) {
            openInEditor(form, editor, templ);
        } else if (QFileInfo(ProgramFile(templ)).isFile()) {
            openInEditor(form, editor, ProgramFile(templ));
        } else {
            info(form, QStringLiteral("Error: HTML file doesn't Exist!"), kProgramName,
                 platform::MsgIcon::None);
        }
    });
}

} // namespace publish
