#include "CShelfDlg.h"

#include "CImageButton.h"
#include "Globals.h"
#include "MShelfFile.h"
#include "MSystemManager.h"

CShelfDlg::CShelfDlg(QWidget* parent) : CDragScrollDlg(parent)
{
    SetScrollAllowed(true, false);
    setWindowTitle(".");
}

CShelfDlg::~CShelfDlg()
{
    for (CImageButton* button : m_Buttons)
        delete button;
    m_Buttons.clear();
}

int CShelfDlg::LoadShelfFile(const MStr& fileName)
{
    m_FileName = fileName;
    MShelfFile file;
    if (!file.Load(fileName))
        return 0;
    setWindowTitle(QString::fromUtf8(file.m_Title.c_str()));
    for (const MShelfEntry& entry : file.m_Entries)
        AddButton(entry.action, entry.picture);
    return 1;
}

void CShelfDlg::AddButton(const MStr& actionName, const MStr& pictureFile)
{
    const int n = GetButtonCount();
    auto* button = new CImageButton(this);
    button->setText("But");
    button->setObjectName(QString("ShelfButton%1").arg(m_NextId++));
    // No picture: 33 pixels wide, to fit the pitch.
    button->setGeometry(kButtonPitch * n, 1, kButtonPitch - 1, 32);
    button->SetActionName(actionName);
    MStr found = FindFileNoCase(pictureFile);
    if (found.IsEmpty() || !button->LoadPicture(found, true))
    {
        found = FindFileNoCase(g_Config.m_ProgramFolder + pictureFile);
        if (found.IsEmpty() || !button->LoadPicture(found, true))
            if (MSystemManager* sys = GetSystemManager())
                sys->LogOutput("Warning: Could not load image '%s' for button '%s'",
                               pictureFile.c_str(), actionName.c_str());
    }
    button->show();
    m_Buttons.push_back(button);
}
