#pragma once
// What the core tests share: a fresh program directory, every platform
// service doubled, the program state and hooks reset around each test.
#include "core/AppHooks.h"
#include "core/CoreState.h"
#include "core/Encrypt.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/frmDebug.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"

#include <QtWidgets>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { Core() = CoreState{}, Hooks() = AppHooks{}; }
    void TearDown() override { Core() = CoreState{}, Hooks() = AppHooks{}; }

    TempHome home;
    PlatformDoubles doubles;
};
