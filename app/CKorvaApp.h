#pragma once

// The application: sets Qt up for the editor's OpenGL views, runs the main
// window and ends the program when it closes.
class CKorvaApp
{
  public:
    // Returns the program's exit status.
    int Run(int argc, char** argv);
    // True when a display is there to open windows on.
    static bool HaveDisplay();
};
