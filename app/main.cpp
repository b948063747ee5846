#include "CKorvaApp.h"

int main(int argc, char** argv)
{
    CKorvaApp app;
    return app.Run(argc, argv);
}
