#include "CKorvaApp.h"

#include "CKorvaDlg.h"
#include "Globals.h"
#include "KFileActions.h"
#include "MLogFile.h"
#include "MOpenGLSetup.h"
#include "MSystemManager.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <vector>

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
        // glazen FILE...: scene files are opened, shader scripts imported.
        std::vector<MStr> files;
        const QStringList arguments = QApplication::arguments();
        for (qsizetype i = 1; i < arguments.size(); ++i)
            files.emplace_back(arguments[i].toUtf8().constData());
        if (!files.empty())
            OpenCommandLineFiles(files);
        status = app.exec();
    }
    g_SystemManager.SetLogFileOutput(nullptr);
    return status;
}
