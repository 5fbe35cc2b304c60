#include "core/frmDebug.h"

#include "core/AppHooks.h"
#include "core/BuildInfo.h"
#include "core/Ini.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SaveFile.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

frmDebug::frmDebug(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("frmDebug"));
    setWindowTitle(QStringLiteral("Debug Window"));
    resize(560, 360);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QMenuBar(this);
    layout->setMenuBar(bar);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto add = [&](const char* name, const char* caption, auto handler) {
        QAction* a = file->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    add("mnuSave", "&Save", [this] { mnuSave_Click(); });
    mnuEmail = add("mnuEmail", "&Email Author", [this] { mnuEmail_Click(); });
    // Present but disabled until the mail composer is part of the program.
    mnuEmail->setEnabled(static_cast<bool>(Hooks().composeMail));
    connect(file, &QMenu::aboutToShow, this,
            [this] { mnuEmail->setEnabled(static_cast<bool>(Hooks().composeMail)); });
    file->addSeparator();
    mnuDisable = add("mnuDisable", "&Disable", [this] { mnuDisable_Click(); });
    mnuDisable->setCheckable(true);
    file->addSeparator();
    add("mnuClose", "&Close", [this] { mnuClose_Click(); });

    TxtDebug = new QPlainTextEdit(this);
    TxtDebug->setObjectName(QStringLiteral("TxtDebug"));
    TxtDebug->setReadOnly(true);
    TxtDebug->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(TxtDebug);

    // Bursts of lines refresh the view once, not once per line.
    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    refresh_->setInterval(100);
    connect(refresh_, &QTimer::timeout, this, [this] { refreshView(); });

    SetDebugWindowSink(this);
}

frmDebug::~frmDebug()
{
    ClearDebugWindowSink(this);
}

bool frmDebug::displayDisabled() const
{
    return mnuDisable->isChecked();
}

void frmDebug::setDisabledMark(bool disabled)
{
    mnuDisable->setChecked(disabled);
}

void frmDebug::appendText(const QString& text)
{
    text_ += text;
    trimText();
    scheduleRefresh();
}

void frmDebug::trimText()
{
    while (text_.size() > kTextLimit) {
        const qsizetype lineEnd = text_.indexOf(QStringLiteral("\r\n"));
        text_.remove(0, lineEnd < 0 ? 1 : lineEnd + 2);
    }
}

void frmDebug::scheduleRefresh()
{
    if (isVisible() && !refresh_->isActive())
        refresh_->start();
}

void frmDebug::refreshView()
{
    QString shown = text_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    TxtDebug->setPlainText(shown);
    TxtDebug->verticalScrollBar()->setValue(TxtDebug->verticalScrollBar()->maximum());
}

void frmDebug::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshView();
}

void frmDebug::mnuSave_Click()
{
    TrapErrors("mnuSave_Click", [this] {
        const QString path =
            ShowSaveDialog(this, QStringLiteral("Text files (*.txt)|*.txt"),
                           QStringLiteral("Save DebugLog As"), ProgramDir(), QStringLiteral("HVRNbug.txt"));
        if (path.isEmpty())
            return;
        SaveUserFile(path, (text_ + QStringLiteral("\r\n")).toUtf8());
    });
}

void frmDebug::mnuEmail_Click()
{
    TrapErrors("mnuEmail_Click", [this] {
        if (!Hooks().composeMail)
            return;
        const QDateTime now = platform::clock().now();
        const QLocale c = QLocale::c();
        MailDraft draft;
        draft.caption = QStringLiteral("Email Author");
        draft.to = kSupportAddress;
        draft.subject = QStringLiteral("HVRN: Help (DebugLog)");
        draft.body = QStringLiteral("Date: ") + c.toString(now.date(), QStringLiteral("M/d/yyyy")) +
                     QStringLiteral("\r\nTime: ") + c.toString(now.time(), QStringLiteral("h:mm:ss AP")) +
                     QStringLiteral("\r\n\r\nVersion 3.3 build(%1)\r\n\r\n").arg(BuildNumber()) + text_;
        Hooks().composeMail(draft);
    });
}

void frmDebug::mnuDisable_Click()
{
    TrapErrors("mnuDisable_Click", [this] {
        // The check mark has already flipped.
        WriteIni(QStringLiteral("Debug"), QStringLiteral("Enabled"), BoolText(mnuDisable->isChecked()));
    });
}

void frmDebug::mnuClose_Click()
{
    hide();
    if (QWidget* main = parentWidget()) {
        main->show();
        main->raise();
    }
}

void frmDebug::closeEvent(QCloseEvent* event)
{
    // Hidden, never destroyed, while the program runs.
    event->ignore();
    hide();
}
