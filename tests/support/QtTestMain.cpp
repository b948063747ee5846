// main() of the editor test binaries: one QApplication for every test, offscreen
// without a display; OpenGL views share one context group, as in the editor.
#include "MDialogs.h"
#include "MOpenGLSetup.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

namespace
{
// No test may block on a real dialog: an unscripted one is reported and cancelled.
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
    bool AskColour(QWidget*, uint32_t&) override { return Report("colour chooser", ""); }
    bool OpenDocument(const MStr& path) override { return Report("document", path); }
    void ShowAbout(QWidget*, const MStr& c, const MStr&) override { Report("about box", c); }

  private:
    // Always false: the dialog counts as cancelled.
    static bool Report(const char* what, const MStr& detail)
    {
        std::fprintf(stderr, "test asked an unscripted %s (%s); cancelled\n", what, detail.c_str());
        return false;
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
