#include "core/frmAuto.h"

#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

frmAuto::frmAuto(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAuto"));
    setWindowTitle(QStringLiteral("Auto Update"));
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QGroupBox(QStringLiteral("Select Profiles"));
    auto* inner = new QVBoxLayout(frame);
    lstProfiles = new QListWidget(frame);
    lstProfiles->setObjectName(QStringLiteral("lstProfiles"));
    lstProfiles->setSelectionMode(QAbstractItemView::MultiSelection);
    inner->addWidget(lstProfiles);
    layout->addWidget(frame);
    auto* close = new QPushButton(QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("cmdControl"));
    layout->addWidget(close);
    connect(close, &QPushButton::clicked, this, [this] { hide(); });
    // Clicks, Space, Ctrl+A and every other way of selecting all end here.
    // Loading the list sets what is stored already, so it writes nothing.
    connect(lstProfiles, &QListWidget::itemSelectionChanged, this, [this] {
        for (int i = 0; i < lstProfiles->count(); ++i)
            lstProfiles_Click(i);
    });
}

bool frmAuto::anySelected() const
{
    return !lstProfiles->selectedItems().isEmpty();
}

QStringList frmAuto::names() const
{
    QStringList list;
    for (int i = 0; i < lstProfiles->count(); ++i)
        list << lstProfiles->item(i)->text();
    return list;
}

bool frmAuto::isSelected(int index) const
{
    const QListWidgetItem* item = lstProfiles->item(index);
    return item && item->isSelected();
}

void frmAuto::lstProfiles_Click(int index)
{
    TrapErrors("lstProfiles_Click", [&] {
        const QListWidgetItem* item = lstProfiles->item(index);
        if (!item)
            return;
        const bool selected = item->isSelected();
        bool stored = !selected; // an unreadable value is rewritten
        try {
            stored = TextToBool(ReadIni(item->text(), QStringLiteral("Auto"), BoolText(false)));
        } catch (const ProgramError&) {
        }
        if (stored != selected)
            WriteIni(item->text(), QStringLiteral("Auto"), BoolText(selected));
    });
}

void frmAuto::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}
