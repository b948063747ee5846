#pragma once

#include "CKorvaDlg.h"
#include "Globals.h"
#include "MAction.h"
#include "MKeyBinding.h"
#include "TestSupport.h"

#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

// A main window started as the program does, configuration and state in a temporary folder.
class MainWindowFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        setenv("XDG_CONFIG_HOME", (home.Path() / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (home.Path() / "state").c_str(), 1);
        std::filesystem::create_directories(home.Path() / "program");
        g_Config.m_ProgramFolder = (home.Path() / "program").string() + "/";
        g_SavePromptAnswered = false;
        g_Closing = false;
    }
    // Whatever the test left, the window goes without asking.
    void TearDown() override
    {
        g_SavePromptAnswered = true;
        window.reset();
        g_ActionRegistry.Clear();
        g_KeyBindingTable.Clear();
    }
    // Makes the window (sized, when a width is given) and waits until it shows.
    void OpenWindow(int width = 0, int height = 0)
    {
        window = std::make_unique<CKorvaDlg>();
        window->Initialise();
        if (width > 0)
            window->resize(width, height);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    TempDir home;
    std::unique_ptr<CKorvaDlg> window;
};
