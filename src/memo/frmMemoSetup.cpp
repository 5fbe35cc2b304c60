#include "memo/frmMemoSetup.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/NamedWidget.h"
#include "core/OpenForUser.h"
#include "core/ProgramDir.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "core/TextToBool.h"
#include "memo/ColorSelect.h"
#include "memo/MemoColors.h"
#include "memo/MemoProgram.h"
#include "platform/Desktop.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"
#include "tools/Sounds.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* kPageCaptions[kMemoPageCount] = {"Away Mode",   "Memo Server Busy", "Memo Before Reply",
                                                       "Memo Header", "Memo Footer",      "Timeout"};

QCheckBox* check(const char* name, const char* caption, QWidget* parent, const char* tip = nullptr)
{
    auto* box = named<QCheckBox>(QString::fromLatin1(name), parent);
    box->setText(QString::fromLatin1(caption));
    if (tip)
        box->setToolTip(QString::fromLatin1(tip));
    return box;
}

QLineEdit* edit(const QString& name, const QString& text, QWidget* parent)
{
    auto* e = named<QLineEdit>(name, parent);
    e->setText(text);
    return e;
}

void setBackground(QLineEdit* box, int paletteIndex)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, PaletteColor(paletteIndex));
    box->setPalette(pal);
}

QString resolvedFile(const QString& name)
{
    return QFileInfo(name).isAbsolute() ? name : QDir(ProgramDir()).filePath(name);
}

} // namespace

frmMemoSetup::frmMemoSetup(MemoSetupState& settings) : settings_(settings)
{
    setObjectName(QStringLiteral("frmMemoSetup"));
    setWindowTitle(QStringLiteral("MemoServer"));
    setWindowFlag(Qt::Window);
    auto* layout = new QVBoxLayout(this);
    SSTab1 = named<QTabWidget>(QStringLiteral("SSTab1"), this);
    SSTab1->addTab(buildOptionsTab(), QStringLiteral("O&ptions"));
    SSTab1->addTab(buildHtmlTab(), QStringLiteral("&HTML"));
    SSTab1->addTab(buildVariablesTab(), QStringLiteral("&Variables"));
    layout->addWidget(SSTab1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const char* captions[2] = {"&OK", "&Cancel"};
    for (int i = 0; i < 2; ++i) {
        cmdControl[size_t(i)] = named<QPushButton>(QStringLiteral("cmdControl_%1").arg(i), this);
        cmdControl[size_t(i)]->setText(QString::fromLatin1(captions[i]));
        buttons->addWidget(cmdControl[size_t(i)]);
        connect(cmdControl[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdControl_Click(i); });
    }
    layout->addLayout(buttons);
    showSettings();
    followEdits();
    connect(&settings_, &MemoSetupState::changed, this, &frmMemoSetup::showSettings);
}

frmMemoSetup::~frmMemoSetup() = default;

QWidget* frmMemoSetup::buildOptionsTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    auto label = [this, page](const char* name, const char* text) {
        auto* l = named<QLabel>(QString::fromLatin1(name), page);
        l->setText(QString::fromLatin1(text));
        optionLabels.append(l);
        return l;
    };

    chkMemo = check("chkMemo", "Enabled", page, "Enable MemoServer");
    grid->addWidget(chkMemo, 0, 0);
    auto* portFrame = new QGroupBox(QStringLiteral("MemoServer Port"), page);
    auto* portLayout = new QHBoxLayout(portFrame);
    txtMemoPort = edit(QStringLiteral("txtMemoPort"), QStringLiteral("4175"), portFrame);
    txtMemoPort->setPlaceholderText(QStringLiteral("1024-65000"));
    txtMemoPort->setToolTip(QStringLiteral("1024-65000"));
    txtMemoPort->installEventFilter(this);
    portLayout->addWidget(txtMemoPort);
    grid->addWidget(portFrame, 0, 1, 1, 2);

    grid->addWidget(label("lblTimeout", "Reply timeout"), 1, 0);
    Timeout = edit(QStringLiteral("Timeout"), QStringLiteral("30"), page);
    Timeout->setToolTip(QStringLiteral("Suggested timeout of atlest 30 seconds"));
    grid->addWidget(Timeout, 1, 1);
    grid->addWidget(label("lblSeconds", "seconds"), 1, 2);
    ChkReply = check("ChkReply", "Reply Checked", page, "Default Reply Opton to YES");
    grid->addWidget(ChkReply, 2, 0);
    chkMemoNotice = check("chkMemoNotice", "Popup New Memo's w/out reply", page,
                          "Displays memo even though you can reply");
    grid->addWidget(chkMemoNotice, 2, 1, 1, 2);

    auto* html = new QGroupBox(QStringLiteral("Built-in HTML Options"), page);
    auto* h = new QGridLayout(html);
    ChkWrap = check("ChkWrap", "Word Wrap", html, "Word Wrap Text in memo form");
    h->addWidget(ChkWrap, 0, 0);
    // One labelled row of the frame: the label in the first column.
    auto row = [&](int at, const char* name, const char* text, QWidget* field) {
        QLabel* l = label(name, text);
        l->setParent(html);
        h->addWidget(l, at, 0);
        h->addWidget(field, at, 1);
    };
    txtColumn = edit(QStringLiteral("txtColumn"), QStringLiteral("75"), html);
    txtColumn->setToolTip(QStringLiteral("Width of memo form"));
    row(1, "lblColumns", "Columns", txtColumn);
    txtRow = edit(QStringLiteral("txtRow"), QStringLiteral("5"), html);
    txtRow->setToolTip(QStringLiteral("Height of memo form"));
    row(2, "lblRows", "Rows", txtRow);
    auto* foreRow = new QWidget(html);
    auto* backRow = new QWidget(html);
    row(3, "lblForeground", "Foreground", foreRow);
    row(4, "lblBackground", "Background", backRow);
    CreateColorSelect(html, foreRow, backRow);
    grid->addWidget(html, 3, 0, 1, 3);

    chkMemoSound = check("chkMemoSound", "Sound-Alert when memo arrives", page);
    grid->addWidget(chkMemoSound, 4, 0, 1, 3);
    PlayMemoSound = edit(QStringLiteral("PlayMemoSound"), QString(), page);
    grid->addWidget(PlayMemoSound, 5, 0);
    cmdMemoBrowse = named<QPushButton>(QStringLiteral("cmdMemoBrowse"), page);
    cmdMemoBrowse->setText(QStringLiteral("Browse"));
    grid->addWidget(cmdMemoBrowse, 5, 1);
    cmdMemoPlay = named<QPushButton>(QStringLiteral("cmdMemoPlay"), page);
    cmdMemoPlay->setText(QStringLiteral("Play"));
    grid->addWidget(cmdMemoPlay, 5, 2);

    connect(chkMemoSound, &QCheckBox::toggled, this,
            [this] { cmdMemoBrowse->setEnabled(chkMemoSound->isChecked()); });
    connect(cmdMemoBrowse, &QPushButton::clicked, this, [this] { cmdMemoBrowse_Click(); });
    connect(cmdMemoPlay, &QPushButton::clicked, this, [this] { cmdMemoPlay_Click(); });
    return page;
}

void frmMemoSetup::CreateColorSelect(QWidget* swatchParent, QWidget* foreRow, QWidget* backRow)
{
    foreColor = new ColorSelect(QStringLiteral("Fore"), this, swatchParent);
    backColor_ = new ColorSelect(QStringLiteral("Back"), this, swatchParent);
    for (auto [select, row] : {std::pair{foreColor, foreRow}, std::pair{backColor_, backRow}}) {
        auto* l = new QHBoxLayout(row);
        l->setContentsMargins(0, 0, 0, 0);
        select->swatch()->setParent(row);
        select->dropButton()->setParent(row);
        l->addWidget(select->swatch());
        l->addWidget(select->dropButton());
        l->addStretch();
    }
    connect(foreColor, &ColorSelect::picked, this, [this](int i) { settings_.MemoTextColor = HtmlColor(i); });
    connect(backColor_, &ColorSelect::picked, this,
            [this](int i) { settings_.MemoBackColor = HtmlColor(i); });
    foreColor->setSwatchIndex(0);
    backColor_->setSwatchIndex(15);
}

QWidget* frmMemoSetup::buildHtmlTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int i = 0; i < kMemoPageCount; ++i) {
        const auto n = size_t(i);
        chkhtml[n] = check("", kPageCaptions[i], page);
        chkhtml[n]->setObjectName(QStringLiteral("chkhtml_%1").arg(i));
        txtHtml[n] = edit(QStringLiteral("txtHtml_%1").arg(i), QString(), page);
        cmdBrw[n] = named<QPushButton>(QStringLiteral("cmdBrw_%1").arg(i), page);
        cmdBrw[n]->setText(QStringLiteral("Browse"));
        cmdEdit[n] = named<QPushButton>(QStringLiteral("cmdEdit_%1").arg(i), page);
        cmdEdit[n]->setText(QStringLiteral("Edit"));
        grid->addWidget(chkhtml[n], i, 0);
        grid->addWidget(txtHtml[n], i, 1);
        grid->addWidget(cmdBrw[n], i, 2);
        grid->addWidget(cmdEdit[n], i, 3);
        connect(chkhtml[n], &QCheckBox::toggled, this, [this, i] { chkhtml_Click(i); });
        connect(cmdBrw[n], &QPushButton::clicked, this, [this, i] { cmdBrw_Click(i); });
        connect(cmdEdit[n], &QPushButton::clicked, this, [this, i] { cmdEdit_Click(i); });
        applyPageState(i);
    }
    return page;
}

QWidget* frmMemoSetup::buildVariablesTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int i = 0; i < kCustomVariableCount; ++i) {
        auto* l = named<QLabel>(QStringLiteral("lblC_%1").arg(i), page);
        l->setText(QStringLiteral("%C%1% =").arg(i + 1));
        txtC[size_t(i)] = edit(QStringLiteral("txtC_%1").arg(i), QString(), page);
        grid->addWidget(l, i, 0);
        grid->addWidget(txtC[size_t(i)], i, 1);
    }
    return page;
}

// The settings into the fields, without running the fields' reactions
// (the settings already had theirs); only the derived enabled states follow.
void frmMemoSetup::showSettings()
{
    showing_ = true;
    const MemoSetupState& s = settings_;
    for (size_t i = 0; i < kMemoPageCount; ++i) {
        chkhtml[i]->setChecked(s.pages[i].enabled);
        txtHtml[i]->setText(s.pages[i].file);
        applyPageState(int(i));
    }
    for (size_t i = 0; i < kCustomVariableCount; ++i)
        txtC[i]->setText(s.custom[i]);
    chkMemo->setChecked(s.enabled());
    chkMemoNotice->setChecked(s.notice);
    Timeout->setText(s.timeout);
    ChkReply->setChecked(s.reply);
    ChkWrap->setChecked(s.wrapText);
    txtColumn->setText(s.columnsText);
    txtRow->setText(s.rowsText);
    txtMemoPort->setText(s.portText);
    chkMemoSound->setChecked(s.sound);
    PlayMemoSound->setText(s.soundPath);
    for (auto [select, text] :
         {std::pair{foreColor, s.MemoTextColor}, std::pair{backColor_, s.MemoBackColor}}) {
        if (const QString index = ColorPic(text); !index.isEmpty())
            select->setSwatchIndex(index.toInt());
    }
    MemoCheckUpdate();
    cmdMemoBrowse->setEnabled(s.optionsEnabled() && s.sound);
    showing_ = false;
}

// Every edit, by the user or by a program or test setting a field, goes into
// the settings at once.
void frmMemoSetup::followEdits()
{
    auto text = [this](QLineEdit* field, QString MemoSetupState::*value) {
        connect(field, &QLineEdit::textChanged, this, [this, value](const QString& t) {
            if (!showing_)
                settings_.*value = t;
        });
    };
    auto flag = [this](QCheckBox* box, bool MemoSetupState::*value) {
        connect(box, &QCheckBox::toggled, this, [this, value](bool on) {
            if (!showing_)
                settings_.*value = on;
        });
    };
    text(Timeout, &MemoSetupState::timeout);
    text(txtColumn, &MemoSetupState::columnsText);
    text(txtRow, &MemoSetupState::rowsText);
    text(txtMemoPort, &MemoSetupState::portText);
    text(PlayMemoSound, &MemoSetupState::soundPath);
    flag(chkMemoNotice, &MemoSetupState::notice);
    flag(ChkReply, &MemoSetupState::reply);
    flag(ChkWrap, &MemoSetupState::wrapText);
    flag(chkMemoSound, &MemoSetupState::sound);
    for (size_t i = 0; i < kMemoPageCount; ++i) {
        connect(chkhtml[i], &QCheckBox::toggled, this, [this, i](bool on) {
            if (!showing_)
                settings_.pages[i].enabled = on;
        });
        connect(txtHtml[i], &QLineEdit::textChanged, this, [this, i](const QString& t) {
            if (!showing_)
                settings_.pages[i].file = t;
        });
    }
    for (size_t i = 0; i < kCustomVariableCount; ++i) {
        connect(txtC[i], &QLineEdit::textChanged, this, [this, i](const QString& t) {
            if (!showing_)
                settings_.custom[i] = t;
        });
    }
    connect(chkMemo, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_)
            settings_.setMemoEnabled(on);
    });
}

void frmMemoSetup::MemoCheckUpdate()
{
    TrapErrors("MemoCheck", [this] {
        const bool on = settings_.optionsEnabled();
        for (QWidget* w : std::initializer_list<QWidget*>{cmdMemoPlay, cmdMemoBrowse, chkMemoNotice, ChkReply,
                                                          Timeout, txtColumn, txtRow, ChkWrap, chkMemoSound,
                                                          txtMemoPort, PlayMemoSound})
            w->setEnabled(on);
        for (QLabel* l : optionLabels)
            l->setEnabled(on);
        foreColor->setEnabled(on);
        backColor_->setEnabled(on);
    });
}

void frmMemoSetup::chkhtml_Click(int index)
{
    applyPageState(index);
}

void frmMemoSetup::applyPageState(int index)
{
    const auto n = size_t(index);
    const bool on = chkhtml[n]->isChecked();
    txtHtml[n]->setEnabled(on);
    cmdBrw[n]->setEnabled(on);
    cmdEdit[n]->setEnabled(on);
    setBackground(txtHtml[n], on ? 15 : 7);
}

void frmMemoSetup::showSetup()
{
    if (Form1* form = Memo().mainWindow())
        move(form->pos());
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void frmMemoSetup::cmdControl_Click(int index)
{
    if (index == 0) {
        SaveMemo();
        hide();
        if (Form1* form = Memo().mainWindow())
            form->show();
        return;
    }
    LoadMemoServerSettings();
    hide();
}

void frmMemoSetup::cmdBrw_Click(int index)
{
    const QString file =
        ShowOpenDialog(this, QStringLiteral("HTML Files|*.html;*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*"),
                       QStringLiteral("Select file"), ProgramDir());
    if (!file.isEmpty())
        txtHtml[size_t(index)]->setText(file);
}

void frmMemoSetup::cmdEdit_Click(int index)
{
    const Form1* form = Memo().mainWindow();
    const QString editor = form
                               ? form->txtHtml->text()
                               : ReadIni(QStringLiteral("StartUp"), QStringLiteral("HTML Editor"), QString());
    if (editor.isEmpty() || !QFileInfo(editor).isFile()) {
        MsgBox(QStringLiteral("Error: Program doesn't Exist!"));
        return;
    }
    const QString page = txtHtml[size_t(index)]->text();
    if (page.isEmpty()) {
        MsgBox(QStringLiteral("Please fill in the blanks.. Filename Required"));
        return;
    }
    const QString path = resolvedFile(page);
    if (!QFileInfo(path).isFile()) {
        MsgBox(QStringLiteral("Error: HTML file doesn't Exist!"));
        return;
    }
    OpenForUser(this, path, editor);
}

void frmMemoSetup::cmdMemoBrowse_Click()
{
    BrowseSoundFile(this, PlayMemoSound, ProgramDir());
}

void frmMemoSetup::cmdMemoPlay_Click()
{
    PlaySoundFile(settings_.soundPath);
}

void frmMemoSetup::closeEvent(QCloseEvent* event)
{
    // The window lives for the rest of the run once created: closing only hides it.
    event->ignore();
    hide();
}

bool frmMemoSetup::portKeyAccepted(const QKeyEvent& key) const
{
    if (key.key() == Qt::Key_Backspace)
        return true;
    const QString text = key.text();
    // Keys that type nothing (arrows, Home, Delete) only move or delete.
    if (text.isEmpty() || key.key() == Qt::Key_Delete)
        return true;
    if (LeadingNumber(txtMemoPort->text()) > 65000)
        return false;
    return text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
}

bool frmMemoSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMemoPort && event->type() == QEvent::KeyPress)
        return !portKeyAccepted(*static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}
