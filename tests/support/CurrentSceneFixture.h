#pragma once

#include "Globals.h"
#include "MScene.h"
#include "MUndoList.h"
#include <gtest/gtest.h>

// A new scene made the current one, with the undo and redo lists paired.
class CurrentSceneFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        scene = new MScene;
        scene->AddRef();
        g_CurrentScene = scene;
        g_UndoList.SetOpposite(&g_RedoList);
        g_RedoList.SetOpposite(&g_UndoList);
    }
    // Empties both lists, then lets the scene and what it holds go.
    void TearDown() override
    {
        g_UndoList.Purge();
        g_RedoList.Purge();
        g_CurrentScene = nullptr;
        scene->ClearScene();
        scene->Delete();
    }
    MScene* scene = nullptr;
};
