#pragma once

// A test system, with the program folder and registry in a temporary folder.
#include "Globals.h"
#include "MConfig.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

class AppTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            oldConfigHome = old;
        setenv("XDG_CONFIG_HOME", (dir.Path() / "config").c_str(), 1);
        g_Config.m_ProgramFolder = (dir.Path().string() + "/").c_str();
    }
    void TearDown() override
    {
        g_Config.m_ProgramFolder = MConfig::FindProgramFolder();
        setenv("XDG_CONFIG_HOME", oldConfigHome.c_str(), 1);
    }

    TestSystem sys;
    TempDir dir;
    std::string oldConfigHome;
};
