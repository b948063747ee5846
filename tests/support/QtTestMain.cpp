// main() of the editor test binaries: one QApplication for every test. Without
// a display the offscreen platform serves, so menus and widgets work anywhere.
// OpenGL views share one context group, as in the editor.
#include "MDialogs.h"

#include "MOpenGLSetup.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>

namespace
{
// No test may block on a real dialog: one that nobody scripted is cancelled
// and reported.
class RefuseEveryDialog : public MDialogProvider
{
  public:
    MFileDialogResult AskFile(QWidget*, const MFileDialogRequest& request) override
    {
        Report("file dialog", request.title);
        return {};
    }
    int AskYesNoCancel(QWidget*, const MStr& text, const MStr&) override
    {
        Report("message box", text);
        return MSG_CANCEL;
    }
    bool AskColour(QWidget*, uint32_t&) override
    {
        Report("colour chooser", "");
        return false;
    }
    bool OpenDocument(const MStr& path) override
    {
        Report("document", path);
        return false;
    }
    void ShowAbout(QWidget*, const MStr& caption, const MStr&) override
    {
        Report("about box", caption);
    }

  private:
    static void Report(const char* what, const MStr& detail)
    {
        std::fprintf(stderr, "test asked an unscripted %s (%s); cancelled\n", what, detail.c_str());
    }
};
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MPrepareOpenGL();
    QApplication app(argc, argv);
    RefuseEveryDialog refuse;
    MSetDialogProvider(&refuse);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    MSetDialogProvider(nullptr);
    return result;
}
