#include "mail/frmAddAddress.h"

#include "core/NamedWidget.h"
#include "mail/AddressBook.h"
#include "platform/MessageBoxes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// 500 twips right and 1000 twips down, at 15 twips per pixel.
constexpr QPoint kOffsetFromComposer{500 / 15, 1000 / 15};

} // namespace

frmAddAddress::frmAddAddress(int target, Pick pick, QWidget* composer) : QDialog(composer)
{
    pick_ = std::move(pick);
    setObjectName(QStringLiteral("frmAddAddress"));
    setWindowTitle(QStringLiteral("Address Book"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    List2 = named<QListWidget>(QStringLiteral("List2"), this);
    List2->addItems(AddressBook::Load());
    layout->addWidget(List2);

    auto* frame = named<QGroupBox>(QStringLiteral("fraAdd"), this);
    frame->setTitle(QStringLiteral("Add Entry"));
    auto* grid = new QGridLayout(frame);
    Text2 = named<QLineEdit>(QStringLiteral("Text2"), frame);
    Text1 = named<QLineEdit>(QStringLiteral("Text1"), frame);
    grid->addWidget(new QLabel(QStringLiteral("Name"), frame), 0, 0);
    grid->addWidget(Text2, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Email"), frame), 1, 0);
    grid->addWidget(Text1, 1, 1);
    layout->addWidget(frame);
    Text3 = named<QLineEdit>(QStringLiteral("Text3"), this);
    Text3->setText(QString::number(target));
    Text3->hide();

    auto* buttons = new QHBoxLayout;
    const char* captions[4] = {"&OK", "&Cancel", "&Remove", "&Add"};
    for (int i = 0; i < 4; ++i) {
        auto* b = named<QPushButton>(QStringLiteral("cmdControl_%1").arg(i), this);
        b->setText(QString::fromLatin1(captions[i]));
        b->setAutoDefault(false);
        cmdControl[size_t(i)] = b;
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, i] { cmdControl_Click(i); });
    }
    layout->addLayout(buttons);
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] { List2_DblClick(); });
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(); });
    if (composer)
        move(composer->pos() + kOffsetFromComposer);
}

frmAddAddress::~frmAddAddress() = default;

void frmAddAddress::cmdControl_Click(int index)
{
    switch (index) {
    case 0:
        saveAndPick();
        break;
    case 1:
        reject();
        break;
    case 2:
        for (QListWidgetItem* item : List2->selectedItems())
            delete item;
        break;
    case 3:
        List2->addItem(entryLine());
        break;
    default:
        break;
    }
}

void frmAddAddress::List2_DblClick()
{
    saveAndPick();
}

QString frmAddAddress::entryLine() const
{
    return Text2->text() + QStringLiteral(" <") + Text1->text() + u'>';
}

void frmAddAddress::Text1_KeyPress()
{
    if (Text1->text().isEmpty()) {
        MsgBox(QStringLiteral("Nothing to add! Enter someone in the edit box first."),
               platform::MsgButtons::Ok, platform::MsgIcon::Exclamation, kProgramName, this);
        return;
    }
    List2->addItem(entryLine());
    Text1->clear();
}

void frmAddAddress::saveAndPick()
{
    QStringList lines;
    for (int row = 0; row < List2->count(); ++row)
        lines.append(List2->item(row)->text());
    AddressBook::Save(lines);
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    const QString line = selected.isEmpty() ? QString() : selected.first()->text();
    // The hidden box holds the target as text; anything but 0 means "Copy:".
    const int target = Text3->text().trimmed().toInt() == 0 ? 0 : 1;
    if (pick_)
        pick_(target, line);
    accept();
}

void frmAddAddress::keyPressEvent(QKeyEvent* event)
{
    // Enter belongs to the Email box (handled there); it never means OK.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
