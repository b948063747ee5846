#pragma once

#include "MDialogs.h"
#include <deque>
#include <string>
#include <vector>

// Dialog answers a test gives in advance, used in order. A dialog with no
// answer left is cancelled. Every question asked is kept.
class ScriptedDialogs : public MDialogProvider
{
  public:
    ScriptedDialogs() : previous(MGetDialogProvider()) { MSetDialogProvider(this); }
    ~ScriptedDialogs() override { MSetDialogProvider(previous); }
    void AnswerFile(std::vector<MStr> paths, int filterIndex = 1)
    {
        files.push_back({true, std::move(paths), filterIndex});
    }
    void CancelFile() { files.push_back(MFileDialogResult()); }
    void Answer(int answer) { answers.push_back(answer); }
    MFileDialogResult AskFile(QWidget*, const MFileDialogRequest& request) override
    {
        fileRequests.push_back(request);
        if (files.empty())
            return {};
        MFileDialogResult r = files.front();
        files.pop_front();
        return r;
    }
    int AskYesNoCancel(QWidget*, const MStr& text, const MStr& caption) override
    {
        prompts.push_back(std::string(caption.c_str()) + ": " + text.c_str());
        if (answers.empty())
            return MSG_CANCEL;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    bool AskColour(QWidget*, uint32_t&) override { return false; }
    bool OpenDocument(const MStr& path) override
    {
        opened.emplace_back(path.c_str());
        return true;
    }
    void ShowAbout(QWidget*, const MStr& caption, const MStr& text) override
    {
        about.push_back(std::string(caption.c_str()) + "\n" + text.c_str());
    }
    MDialogProvider* previous;
    std::deque<MFileDialogResult> files;
    std::deque<int> answers;
    std::vector<MFileDialogRequest> fileRequests;
    std::vector<std::string> prompts, opened, about;
};
