#include "CKorvaApp.h"

#include "CKorvaDlg.h"
#include "Globals.h"
#include "MLogFile.h"
#include "MOpenGLSetup.h"
#include "MSystemManager.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

bool CKorvaApp::HaveDisplay()
{
    auto set = [](const char* name)
    {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

int CKorvaApp::Run(int argc, char** argv)
{
    if (!HaveDisplay())
    {
        std::fprintf(stderr, "glazen: no display to open the editor on (DISPLAY is not set); "
                             "run it in a desktop session or under xvfb-run\n");
        return 2;
    }
    MPrepareOpenGL();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Glazen");
    QApplication::setApplicationVersion(GLAZEN_VERSION);

    // Every log line, from the first of start-up to the last of shutdown.
    MLogFile logFile;
    if (logFile.Open(MLogFile::DefaultPath()))
        g_SystemManager.SetLogFileOutput(&logFile);

    int status = 0;
    {
        CKorvaDlg window;
        window.Initialise();
        window.show();
        status = app.exec();
    }
    g_SystemManager.SetLogFileOutput(nullptr);
    return status;
}
