#pragma once
// What the core tests share: a fresh program directory, every platform
// service doubled and the program state reset around each test.
#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/frmDebug.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QAction>

#include <gtest/gtest.h>

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { Core() = CoreState{}; }
    void TearDown() override { Core() = CoreState{}; }

    TempHome home;
    PlatformDoubles doubles;
};
