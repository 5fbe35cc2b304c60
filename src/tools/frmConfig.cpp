#include "tools/frmConfig.h"

#include "core/Form1.h"
#include "core/ProgramDir.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "tools/LaunchSlots.h"
#include "tools/Launcher.h"
#include "tools/Twips.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("Launch Menu");
constexpr int kWidth = 360;

QPushButton* button(const char* name, const char* caption)
{
    auto* b = new QPushButton(QString::fromUtf8(caption));
    b->setObjectName(QString::fromLatin1(name));
    // Enter in a text box saves through returnPressed; no button may also
    // take it as the dialog's default.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QWidget* framed(const char* caption, QLineEdit* edit)
{
    auto* frame = new QGroupBox(QString::fromUtf8(caption));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(edit);
    return frame;
}

} // namespace

frmConfig::frmConfig(Form1& main) : QDialog(&main), main_(main)
{
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(kCaption);
    setAcceptDrops(true);
    buildControls();
    resize(kWidth, heightWithoutPanel());
    LoadLaunchSetttings(main_, lstName);
}

void frmConfig::done(int result)
{
    // Back, the close box and Escape end the editor for good; a hide (for
    // the memo window) keeps it, which WA_DeleteOnClose with exec() would not.
    QDialog::done(result);
    deleteLater();
}

int frmConfig::heightWithPanel()
{
    return TwipsToPixels(2460);
}
int frmConfig::heightWithoutPanel()
{
    return TwipsToPixels(2820);
}

void frmConfig::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);

    listPage_ = new QWidget;
    auto* listRow = new QHBoxLayout(listPage_);
    listRow->setContentsMargins(0, 0, 0, 0);
    lstName = new QListWidget;
    lstName->setObjectName(QStringLiteral("lstName"));
    lstName->setMinimumHeight(40);
    listRow->addWidget(lstName, 1);
    auto* column = new QVBoxLayout;
    static const char* const captions[4] = {"&Add", "&Delete", "&Edit", "&Back"};
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "cmd_Control_" + QByteArray::number(i);
        cmd_Control[i] = button(name.constData(), captions[i]);
        connect(cmd_Control[i], &QPushButton::clicked, this, [this, i] { cmd_Control_Click(i); });
        column->addWidget(cmd_Control[i]);
    }
    column->addStretch();
    listRow->addLayout(column);
    layout->addWidget(listPage_);

    picAdd = new QWidget;
    picAdd->setObjectName(QStringLiteral("picAdd"));
    auto* panel = new QHBoxLayout(picAdd);
    panel->setContentsMargins(0, 0, 0, 0);
    auto* fields = new QVBoxLayout;
    Text1 = new QLineEdit;
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = new QLineEdit;
    Text2->setObjectName(QStringLiteral("Text2"));
    fields->addWidget(framed("Title", Text1));
    fields->addWidget(framed("Path", Text2));
    panel->addLayout(fields, 1);
    auto* actions = new QVBoxLayout;
    cmdSave = button("cmdSave", "&Save");
    cmdCancel = button("cmdCancel", "&Cancel");
    actions->addWidget(cmdSave);
    actions->addWidget(cmdCancel);
    actions->addStretch();
    panel->addLayout(actions);
    picAdd->hide();
    layout->addWidget(picAdd);

    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(Text1, &QLineEdit::returnPressed, this, [this] { cmdSave_Click(); });
    connect(Text2, &QLineEdit::returnPressed, this, [this] { cmdSave_Click(); });
}

void frmConfig::showPanel(const QString& caption)
{
    setWindowTitle(caption);
    listPage_->hide();
    picAdd->show();
    resize(width(), heightWithPanel());
    Text1->setFocus();
}

void frmConfig::hidePanel()
{
    picAdd->hide();
    listPage_->show();
    setWindowTitle(kCaption);
    resize(width(), heightWithoutPanel());
}

void frmConfig::AddProgram()
{
    EditMode = false;
    showPanel(QStringLiteral("Add Program"));
}

void frmConfig::EditProgram()
{
    showPanel(QStringLiteral("Edit Program"));
}

void frmConfig::cmd_Control_Click(int index)
{
    switch (index) {
    case 0:
        cmdAdd_Click();
        return;
    case 1:
        cmdDelete_Click();
        return;
    case 2:
        cmdEdit_Click();
        return;
    case 3:
        close();
        return;
    default:
        return;
    }
}

void frmConfig::offerFile(const QString& path)
{
    Text1->clear();
    Text2->setText(path);
    AddProgram();
}

void frmConfig::cmdAdd_Click()
{
    const QString path =
        ShowOpenDialog(this, QStringLiteral("Excutable files (*.exe)|*.exe|All files (*.*)|*.*"),
                       QStringLiteral("Select Program to add"), ProgramDir());
    if (!path.isEmpty())
        offerFile(path);
}

int frmConfig::selectedSlot() const
{
    // Entries are found by title: of two equal titles the lower slot answers.
    const QList<QListWidgetItem*> selected = lstName->selectedItems();
    if (selected.isEmpty() || selected.constFirst()->text().isEmpty())
        return -1;
    return FindLaunchSlot(selected.constFirst()->text());
}

void frmConfig::cmdEdit_Click()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    const LaunchSlot entry = ReadLaunchSlot(slot);
    ProgramTitle = entry.title;
    ProgramPath = entry.path;
    EditSlot = qint16(slot);
    Text1->setText(entry.title);
    Text2->setText(entry.path);
    EditMode = true;
    EditProgram();
}

void frmConfig::cmdDelete_Click()
{
    const int slot = selectedSlot();
    if (slot < 0)
        return;
    StoreLaunchSlot(slot, QString(), QString());
    QApplication::processEvents();
    LoadLaunchSetttings(main_, lstName);
}

void frmConfig::cmdSave_Click()
{
    ProgramTitle = Text1->text();
    ProgramPath = Text2->text();
    if (ProgramTitle.isEmpty()) {
        // The edited program leaves the menus; its path stays stored.
        if (EditMode) {
            StoreLaunchSlot(EditSlot, QString(), ProgramPath);
            LoadLaunchSetttings(main_, lstName);
        }
        EditMode = false;
        close();
        return;
    }
    if (EditMode) {
        StoreLaunchSlot(EditSlot, ProgramTitle, ProgramPath);
    } else {
        const int slot = LowestFreeLaunchSlot();
        if (slot < 0) {
            MsgBox(QStringLiteral("Please remove a program to make room"), platform::MsgButtons::Ok,
                   platform::MsgIcon::None, QStringLiteral("Too many programs"), this);
            close();
            return;
        }
        StoreLaunchSlot(slot, ProgramTitle, ProgramPath);
    }
    EditMode = false;
    LoadLaunchSetttings(main_, lstName);
    hidePanel();
}

void frmConfig::cmdCancel_Click()
{
    EditMode = false;
    hidePanel();
}

QString frmConfig::firstDroppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return QString();
    const QUrl first = data->urls().constFirst();
    if (!first.isLocalFile())
        return QString();
    const QString path = QDir::toNativeSeparators(first.toLocalFile());
    // A longer path could not be stored whole; better refused than cut.
    if (path.isEmpty() || path.size() > kDialogPathLimit)
        return QString();
    return path;
}

void frmConfig::dragEnterEvent(QDragEnterEvent* event)
{
    if (firstDroppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void frmConfig::dragMoveEvent(QDragMoveEvent* event)
{
    if (firstDroppedFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void frmConfig::dropEvent(QDropEvent* event)
{
    const QString path = firstDroppedFile(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Dropped onto an entry being edited, the file replaces its program.
    if (EditMode && picAdd->isVisible())
        Text2->setText(path);
    else
        offerFile(path);
}
