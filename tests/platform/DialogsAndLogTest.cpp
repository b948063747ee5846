#include "MDialogs.h"
#include "MLogFile.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(Dialogs, LibraryFiltersBecomeQtNameFilters)
{
    auto filters = MQtNameFilters("Quake 3 Shader (*.shader)|*.shader|Images|*.tga;*.jpg||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], "Quake 3 Shader (*.shader) (*.shader)");
    EXPECT_EQ(filters[1], "Images (*.tga *.jpg)");
    // A dangling description without a pattern is not an entry.
    EXPECT_EQ(MQtNameFilters("Scenes|*.glazen|Odd").size(), 1u);
    EXPECT_TRUE(MQtNameFilters("").empty());
}

TEST(Dialogs, FileDialogsSayWhatTheyDo)
{
    struct Case
    {
        MFileDialogRequest::Kind kind;
        const char* button;
        QFileDialog::AcceptMode mode;
    };
    const Case cases[] = {{MFileDialogRequest::Save, "Save", QFileDialog::AcceptSave},
                          {MFileDialogRequest::Open, "Open", QFileDialog::AcceptOpen},
                          {MFileDialogRequest::OpenMany, "Open", QFileDialog::AcceptOpen}};
    for (const Case& c : cases)
    {
        MFileDialogRequest request;
        request.kind = c.kind;
        request.filter = "Glazen Scene Files (*.glazen)|*.glazen||";
        request.defaultExtension = "glazen";
        QString button, suffix;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        QTimer::singleShot(
            0,
            [&]
            {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dialog)
                    return;
                mode = dialog->acceptMode();
                suffix = dialog->defaultSuffix();
                if (auto* box = dialog->findChild<QDialogButtonBox*>())
                    if (auto* ok = box->button(box->standardButtons() & QDialogButtonBox::Save
                                                   ? QDialogButtonBox::Save
                                                   : QDialogButtonBox::Open))
                        button = ok->text().remove('&');
                dialog->reject();
            });
        MQtDialogProvider provider;
        EXPECT_FALSE(provider.AskFile(nullptr, request).accepted);
        EXPECT_EQ(mode, c.mode) << c.button;
        EXPECT_EQ(button.toStdString(), c.button);
        EXPECT_EQ(suffix.toStdString(), "glazen");
    }
}

TEST(Dialogs, ProviderCanBeReplacedAndRestored)
{
    struct Scripted : MDialogProvider
    {
        MFileDialogResult AskFile(QWidget*, const MFileDialogRequest&) override { return {}; }
        int AskYesNoCancel(QWidget*, const MStr&, const MStr&) override { return MSG_NO; }
        bool AskColour(QWidget*, uint32_t&) override { return false; }
        bool OpenDocument(const MStr&) override { return false; }
        void ShowAbout(QWidget*, const MStr&, const MStr&) override {}
    } scripted;
    MDialogProvider* previous = MGetDialogProvider();
    MSetDialogProvider(&scripted);
    EXPECT_EQ(MGetDialogProvider(), &scripted);
    EXPECT_EQ(MDialogs().AskYesNoCancel(nullptr, "?", "?"), MSG_NO);
    MSetDialogProvider(nullptr);
    EXPECT_NE(dynamic_cast<MQtDialogProvider*>(&MDialogs()), nullptr);
    MSetDialogProvider(previous);
}

TEST(LogFile, AppendsEveryLineAndMarksEachRun)
{
    TempDir dir;
    std::string path = (dir.Path() / "state" / "glazen" / "glazen.log").string();
    {
        MLogFile log;
        ASSERT_TRUE(log.Open(path));
        log.WriteLine("first");
    }
    {
        MLogFile log;
        ASSERT_TRUE(log.Open(path));
        log.WriteLine("second");
    }
    std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("first\n"), std::string::npos);
    EXPECT_NE(text.find("second\n"), std::string::npos);
    EXPECT_LT(text.find("first"), text.find("second"));
    EXPECT_EQ(text.find("---- Glazen started"), 0u);
}

TEST(LogFile, TrimsTheOlderHalfWhenPastItsLimit)
{
    TempDir dir;
    std::string path = (dir.Path() / "glazen.log").string();
    MLogFile log;
    ASSERT_TRUE(log.Open(path, 4000));
    for (int i = 0; i < 500; ++i)
        log.WriteLine(("line " + std::to_string(i)).c_str());
    log.Close();
    std::string text = ReadWholeFile(path);
    EXPECT_LE(text.size(), 4000u);
    EXPECT_NE(text.find("line 499\n"), std::string::npos);
    EXPECT_EQ(text.find("line 1\n"), std::string::npos);
    // Trimming cuts at a line start.
    EXPECT_EQ(text.rfind("line ", 0), 0u);
}

TEST(LogFile, SystemManagerFeedsItWhateverTheConsoleSays)
{
    TempDir dir;
    std::string path = (dir.Path() / "glazen.log").string();
    MLogFile log;
    ASSERT_TRUE(log.Open(path));
    MSystemManager manager;
    manager.SetLogFileOutput(&log);
    manager.SetConsoleOutput(nullptr, nullptr);
    manager.LogOutput("Set output to %s", "NULL");
    manager.SetLogFileOutput(nullptr);
    manager.LogOutput("not written");
    std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("Set output to NULL\n"), std::string::npos);
    EXPECT_EQ(text.find("not written"), std::string::npos);
}

TEST(LogFile, DefaultPathFollowsTheStateFolder)
{
    std::string old = getenv("XDG_STATE_HOME") ? getenv("XDG_STATE_HOME") : "";
    setenv("XDG_STATE_HOME", "/tmp/some-state", 1);
    EXPECT_EQ(MLogFile::DefaultPath(), "/tmp/some-state/glazen/glazen.log");
    if (old.empty())
        unsetenv("XDG_STATE_HOME");
    else
        setenv("XDG_STATE_HOME", old.c_str(), 1);
}
