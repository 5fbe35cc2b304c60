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
#include "tools/Sounds.h"
#include "platform/MessageBoxes.h"

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

struct PageKeys {
    const char* flag;
    const char* file;
    const char* caption;
};

constexpr PageKeys kPages[kMemoPageCount] = {
    {"away value", "away", "Away Mode"},          {"busy value", "busy", "Memo Server Busy"},
    {"memo value", "memo", "Memo Before Reply"},  {"header value", "header", "Memo Header"},
    {"footer value", "footer", "Memo Footer"},    {"timeout value", "timeout", "Timeout"},
};

const QString kMemo = QStringLiteral("Memo");
const QString kHtml = QStringLiteral("html");
const QString kCustom = QStringLiteral("Custom");
const QString kSounds = QStringLiteral("Sounds");

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

QString customKey(int index) { return QStringLiteral("C%1%").arg(index); }

bool flagValue(const QString& section, const char* key, const char* defaultValue)
{
    return TextToBool(ReadIni(section, QString::fromLatin1(key), QString::fromLatin1(defaultValue)));
}

void write(const QString& section, const QString& key, const QString& value)
{
    if (!WriteIni(section, key, value))
        throw ProgramError(err::kPermissionDenied, IniPath());
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

frmMemoSetup::frmMemoSetup()
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
    loadCustomVariables();
    SetMemoSettingsView(this);
}

frmMemoSetup::~frmMemoSetup() { SetMemoSettingsView(nullptr); }

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

    connect(chkMemo, &QCheckBox::toggled, this, [this] { chkMemo_Click(); });
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
    connect(foreColor, &ColorSelect::picked, this, [this](int i) { MemoTextColor = HtmlColor(i); });
    connect(backColor_, &ColorSelect::picked, this, [this](int i) { MemoBackColor = HtmlColor(i); });
    foreColor->setSwatchIndex(0);
    backColor_->setSwatchIndex(15);
}

QWidget* frmMemoSetup::buildHtmlTab()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int i = 0; i < kMemoPageCount; ++i) {
        const auto n = size_t(i);
        chkhtml[n] = check("", kPages[i].caption, page);
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

void frmMemoSetup::loadCustomVariables()
{
    for (int i = 0; i < kCustomVariableCount; ++i) {
        const QString value = ReadIni(kCustom, customKey(i), QString());
        if (!value.isEmpty())
            txtC[size_t(i)]->setText(value);
    }
}

void frmMemoSetup::LoadSounds()
{
    TrapErrors("LoadSounds", [this] {
        PlayMemoSound->setText(ReadIni(kSounds, QStringLiteral("Memo"), QString()));
        chkMemoSound->setChecked(flagValue(kSounds, "Memo Enabled", "false"));
        cmdMemoBrowse->setEnabled(chkMemoSound->isChecked());
    });
}

void frmMemoSetup::LoadMemoServerSettings()
{
    TrapErrors("Load MemoServer Settings", [this] {
        for (int i = 0; i < kMemoPageCount; ++i)
            chkhtml[size_t(i)]->setChecked(flagValue(kHtml, kPages[i].flag, "0"));
        for (int i = 0; i < kMemoPageCount; ++i)
            txtHtml[size_t(i)]->setText(ReadIni(kHtml, QString::fromLatin1(kPages[i].file), QString()));
        chkMemo->setChecked(flagValue(kMemo, "Enabled", "False"));
        chkMemoNotice->setChecked(flagValue(kMemo, "Notice", "0"));
        Timeout->setText(ReadIni(kMemo, QStringLiteral("Reply Timeout"), QString()));
        ChkReply->setChecked(flagValue(kMemo, "Reply", "0"));
        ChkWrap->setChecked(flagValue(kMemo, "Wrap", "0"));
        txtColumn->setText(ReadIni(kMemo, QStringLiteral("Columns"), QString()));
        txtRow->setText(ReadIni(kMemo, QStringLiteral("Rows"), QString()));

        const QString away = ReadIni(kMemo, QStringLiteral("Away"), QStringLiteral("false")).trimmed();
        bool numeric = false;
        const double number = away.toDouble(&numeric);
        Memo().setAway(away.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || (numeric && number != 0));

        txtMemoPort->setText(ReadIni(kMemo, QStringLiteral("MemoServer Port"), QStringLiteral("4175")));
        MemoTextColor = ReadIni(QStringLiteral("MEMO"), QStringLiteral("Text Color"), QStringLiteral("#000000"));
        MemoBackColor = ReadIni(QStringLiteral("MEMO"), QStringLiteral("BackGround Color"), QStringLiteral("#FFFFFF"));
        const QString fore = ColorPic(MemoTextColor);
        const QString back = ColorPic(MemoBackColor);
        if (fore.isEmpty() || back.isEmpty())
            throw ProgramError(err::kTypeMismatch, QStringLiteral("not a memo colour"));
        foreColor->setSwatchIndex(fore.toInt());
        backColor_->setSwatchIndex(back.toInt());
        for (int i = 0; i < kMemoPageCount; ++i)
            applyPageState(i);
    });
}

void frmMemoSetup::SaveMemo()
{
    TrapErrors("SaveMemo", [this] {
        for (int i = 0; i < kMemoPageCount; ++i) {
            if (txtHtml[size_t(i)]->text().isEmpty())
                chkhtml[size_t(i)]->setChecked(false);
        }
        for (int i = 0; i < kCustomVariableCount; ++i)
            write(kCustom, customKey(i), txtC[size_t(i)]->text());
        for (int i = 0; i < kMemoPageCount; ++i)
            write(kHtml, QString::fromLatin1(kPages[i].flag), BoolText(chkhtml[size_t(i)]->isChecked()));
        for (int i = 0; i < kMemoPageCount; ++i)
            write(kHtml, QString::fromLatin1(kPages[i].file), txtHtml[size_t(i)]->text());
        write(kMemo, QStringLiteral("Enabled"), BoolText(chkMemo->isChecked()));
        write(kMemo, QStringLiteral("Notice"), BoolText(chkMemoNotice->isChecked()));
        write(kMemo, QStringLiteral("Reply Timeout"), Timeout->text());
        write(kMemo, QStringLiteral("Reply"), BoolText(ChkReply->isChecked()));
        write(kMemo, QStringLiteral("Wrap"), BoolText(ChkWrap->isChecked()));
        write(kMemo, QStringLiteral("Columns"), txtColumn->text());
        write(kMemo, QStringLiteral("Rows"), txtRow->text());
        write(kMemo, QStringLiteral("BackGround Color"), MemoBackColor);
        write(kMemo, QStringLiteral("Text Color"), MemoTextColor);
        write(kMemo, QStringLiteral("MemoServer Port"), txtMemoPort->text());
        write(kSounds, QStringLiteral("Memo Enabled"), BoolText(chkMemoSound->isChecked()));
        write(kSounds, QStringLiteral("Memo"), PlayMemoSound->text());
    });
}

void frmMemoSetup::MemoCheckUpdate()
{
    TrapErrors("MemoCheck", [this] {
        const bool on = chkMemo->isChecked();
        for (QWidget* w : std::initializer_list<QWidget*>{cmdMemoPlay, cmdMemoBrowse, chkMemoNotice, ChkReply, Timeout,
                                                          txtColumn, txtRow, ChkWrap, chkMemoSound, txtMemoPort,
                                                          PlayMemoSound})
            w->setEnabled(on);
        for (QLabel* l : optionLabels)
            l->setEnabled(on);
        foreColor->setEnabled(on);
        backColor_->setEnabled(on);
    });
}

void frmMemoSetup::chkMemo_Click()
{
    if (oneShot_)
        return;
    MemoCheckUpdate();
    if (chkMemo->isChecked())
        Memo().startServer();
    else
        Memo().stopServer();
}

void frmMemoSetup::chkhtml_Click(int index) { applyPageState(index); }

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
    const QString file = ShowOpenDialog(this, QStringLiteral("HTML Files|*.html;*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*"),
                                        QStringLiteral("Select file"), ProgramDir());
    if (!file.isEmpty())
        txtHtml[size_t(index)]->setText(file);
}

void frmMemoSetup::cmdEdit_Click(int index)
{
    const Form1* form = Memo().mainWindow();
    const QString editor = form ? form->txtHtml->text() : ReadIni(QStringLiteral("StartUp"), QStringLiteral("HTML Editor"), QString());
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

void frmMemoSetup::cmdMemoBrowse_Click() { BrowseSoundFile(this, PlayMemoSound, ProgramDir()); }

void frmMemoSetup::cmdMemoPlay_Click() { PlaySoundFile(PlayMemoSound->text()); }

bool frmMemoSetup::enabled() const { return chkMemo->isChecked(); }
QString frmMemoSetup::port() const { return txtMemoPort->text(); }
QString frmMemoSetup::rows() const { return txtRow->text(); }
QString frmMemoSetup::columns() const { return txtColumn->text(); }
bool frmMemoSetup::wrap() const { return ChkWrap->isChecked(); }
bool frmMemoSetup::replyChecked() const { return ChkReply->isChecked(); }
// Page expansion sees the custom variables only once they are saved.
QString frmMemoSetup::customVariable(int index) const { return ReadIni(kCustom, customKey(index), QString()); }
QString frmMemoSetup::timeoutText() const { return Timeout->text(); }
bool frmMemoSetup::memoNotice() const { return chkMemoNotice->isChecked(); }
bool frmMemoSetup::pageEnabled(int page) const { return chkhtml[size_t(page)]->isChecked(); }
QString frmMemoSetup::pageFile(int page) const { return txtHtml[size_t(page)]->text(); }
bool frmMemoSetup::soundEnabled() const { return chkMemoSound->isChecked(); }
QString frmMemoSetup::soundFile() const { return PlayMemoSound->text(); }

PageSettings frmMemoSetup::pageSettings() const
{
    PageSettings s;
    s.localIP = Core().LocalIP;
    s.port = port();
    s.rows = rows();
    s.columns = columns();
    s.timeout = timeoutText();
    s.backColor = MemoBackColor;
    s.textColor = MemoTextColor;
    s.wrap = wrap();
    s.replyChecked = replyChecked();
    return s;
}

void frmMemoSetup::closeEvent(QCloseEvent* event)
{
    // The window is the live store of the settings: closing only hides it.
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
