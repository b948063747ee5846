#pragma once

#include "MStr.h"

#include <cstdint>
#include <vector>

class QWidget;

// What a file dialog is asked for. The filter is in the library's form,
// "description|pattern|description|pattern", patterns separated by ';'.
struct MFileDialogRequest
{
    enum Kind
    {
        Open,
        OpenMany,
        Save,
    };
    Kind kind = Open;
    MStr title;
    MStr filter;
    // 1-based index of the filter entry selected at start.
    int filterIndex = 1;
    MStr defaultExtension;
    MStr initialName;
};

struct MFileDialogResult
{
    bool accepted = false;
    std::vector<MStr> paths;
    // 1-based index of the filter entry the user had selected.
    int filterIndex = 0;
};

// Answers of a Yes/No/Cancel message box, numbered as the platform numbers
// them.
enum MMessageAnswer : int
{
    MSG_CANCEL = 2,
    MSG_YES = 6,
    MSG_NO = 7,
};

// Every dialog the editor asks the user something with goes through one
// provider, so tests can script the answers.
class MDialogProvider
{
  public:
    virtual ~MDialogProvider() = default;
    virtual MFileDialogResult AskFile(QWidget* owner, const MFileDialogRequest& request) = 0;
    virtual int AskYesNoCancel(QWidget* owner, const MStr& text, const MStr& caption) = 0;
    // Lets the user pick a colour (red in the low byte); false when cancelled.
    virtual bool AskColour(QWidget* owner, uint32_t& colour) = 0;
    // Opens a local file with the desktop's handler; false when none took it.
    virtual bool OpenDocument(const MStr& path) = 0;
    virtual void ShowAbout(QWidget* owner, const MStr& caption, const MStr& text) = 0;
};

// The provider in use: the Qt one unless another was set.
MDialogProvider& MDialogs();
// Sets the provider (not owned); null goes back to the Qt one.
void MSetDialogProvider(MDialogProvider* provider);
// The provider set with MSetDialogProvider, or null for the Qt one.
MDialogProvider* MGetDialogProvider();

// Qt's own dialogs: QFileDialog, QMessageBox, QColorDialog.
class MQtDialogProvider : public MDialogProvider
{
  public:
    MFileDialogResult AskFile(QWidget* owner, const MFileDialogRequest& request) override;
    int AskYesNoCancel(QWidget* owner, const MStr& text, const MStr& caption) override;
    bool AskColour(QWidget* owner, uint32_t& colour) override;
    bool OpenDocument(const MStr& path) override;
    void ShowAbout(QWidget* owner, const MStr& caption, const MStr& text) override;
};

// The name filters of a library filter string, one per description and
// pattern pair, in Qt's form "description (pattern pattern)".
std::vector<MStr> MQtNameFilters(const MStr& filter);
