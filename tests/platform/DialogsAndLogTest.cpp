#include "MDialogs.h"
#include "MLogFile.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Dialogs, FiltersBecomeQtNameFiltersAndQtFileDialogsSayWhatTheyDo)
{
    auto filters = MQtNameFilters("Quake 3 Shader (*.shader)|*.shader|Images|*.tga;*.jpg||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], "Quake 3 Shader (*.shader) (*.shader)");
    EXPECT_EQ(filters[1], "Images (*.tga *.jpg)");
    // A dangling description without a pattern is not an entry.
    EXPECT_EQ(MQtNameFilters("Scenes|*.glazen|Odd").size(), 1u);
    EXPECT_TRUE(MQtNameFilters("").empty());

    for (auto [kind, mode] : {std::pair{MFileDialogRequest::Save, "glazen save"},
                              {MFileDialogRequest::Open, "glazen open"},
                              {MFileDialogRequest::OpenMany, "glazen open"}})
    {
        MFileDialogRequest request;
        request.kind = kind;
        request.filter = "Glazen Scene Files (*.glazen)|*.glazen||";
        request.defaultExtension = "glazen";
        std::string shown = "no dialog";
        auto answer = [&]
        {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            shown = dialog->defaultSuffix().toStdString() +
                    (dialog->acceptMode() == QFileDialog::AcceptSave ? " save" : " open");
            dialog->reject();
        };
        QTimer::singleShot(0, answer);
        EXPECT_FALSE(MQtDialogProvider().AskFile(nullptr, request).accepted);
        EXPECT_EQ(shown, mode);
    }
    // Tests replace the provider all the time; without one, the Qt dialogs answer.
    MDialogProvider* previous = MGetDialogProvider();
    MSetDialogProvider(nullptr);
    EXPECT_NE(dynamic_cast<MQtDialogProvider*>(&MDialogs()), nullptr);
    MSetDialogProvider(previous);
    EXPECT_EQ(&MDialogs(), previous);
}

TEST(LogFile, AppendsWhatIsLoggedMarksEachRunAndTrimsTheOlderHalf)
{
    TempDir dir;
    const std::string path = (dir.Path() / "state" / "glazen" / "glazen.log").string();
    for (const char* line : {"first", "second"})
    {
        MLogFile log;
        ASSERT_TRUE(log.Open(path));
        MSystemManager manager;
        manager.SetLogFileOutput(&log);
        manager.SetConsoleOutput(nullptr, nullptr); // leaves the log file sink alone
        manager.LogOutput("%s", line);
        manager.SetLogFileOutput(nullptr);
        manager.LogOutput("not written");
    }
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.find("---- Glazen started"), 0u);
    EXPECT_LT(text.find("first\n"), text.find("second\n"));
    EXPECT_EQ(text.rfind("second\n"), text.size() - 7);
    EXPECT_EQ(text.find("not written"), std::string::npos);
    EXPECT_EQ(text.find("---- Glazen started", 1), text.find("first\n") + 6) << "one mark a run";

    const std::string old = getenv("XDG_STATE_HOME") ? getenv("XDG_STATE_HOME") : "";
    setenv("XDG_STATE_HOME", dir.Path().c_str(), 1);
    EXPECT_EQ(MLogFile::DefaultPath(), (dir.Path() / "glazen" / "glazen.log").string());
    old.empty() ? unsetenv("XDG_STATE_HOME") : setenv("XDG_STATE_HOME", old.c_str(), 1);

    // Past its limit the older half goes, cut at a line start.
    MLogFile log;
    ASSERT_TRUE(log.Open(path + ".small", 4000));
    for (int i = 0; i < 500; ++i)
        log.WriteLine(("line " + std::to_string(i)).c_str());
    log.Close();
    text = ReadWholeFile(path + ".small");
    EXPECT_LE(text.size(), 4000u);
    EXPECT_GE(text.size(), 1500u) << "the newer half stays";
    EXPECT_NE(text.find("line 499\n"), std::string::npos);
    EXPECT_EQ(text.find("line 1\n"), std::string::npos);
    EXPECT_EQ(text.rfind("line ", 0), 0u);
}
