#pragma once

#include "core/Form1.h"
#include "core/frmDebug.h"
#include "tools/LaunchSlots.h"
#include "tools/ToolsWiring.h"

#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

// A real main window with the desktop utilities attached, every platform
// service doubled and a fresh program directory.
class LauncherFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallToolsHooks();
        form = std::make_unique<Form1>();
        AttachTools(*form);
    }
    void TearDown() override
    {
        form.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QAction* item(int slot) const { return form->action(QStringLiteral("Item_%1").arg(slot)); }
    QAction* trayItem(int slot) const { return form->action(QStringLiteral("mnuitem_%1").arg(slot)); }
    bool separatorsShown() const
    {
        return form->action(QStringLiteral("mnuspace4"))->isVisible() &&
               form->action(QStringLiteral("mnuspace5"))->isVisible();
    }
    bool separatorsHidden() const
    {
        return !form->action(QStringLiteral("mnuspace4"))->isVisible() &&
               !form->action(QStringLiteral("mnuspace5"))->isVisible();
    }
    QString stored(const QString& key) const
    {
        return doubles.store.values.value(QStringLiteral("Ostrevan\\HVRN/Utility/") + key,
                                          QStringLiteral("<absent>"));
    }
    QString debugText() const { return form->debugWindow()->text(); }

    TempHome home;
    PlatformDoubles doubles;
    std::unique_ptr<Form1> form;
};
