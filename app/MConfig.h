#pragma once

#include "MKeyState.h"
#include "MStr.h"

#include <array>
#include <cstdint>
#include <string>

// The registry key the two file names are kept under.
inline constexpr const char* kRegistryKeyPath = "Software\\Orrick\\Glazen\\1.0\\";

// The number of display colours and of mouse control records.
inline constexpr int kDisplayColourCount = 12;
inline constexpr int kMouseControlCount = 6;
// Recent-file slots, and the File menu command id of the first.
inline constexpr int kRecentFileSlots = 5;
inline constexpr int kRecentFileFirstId = 57616;

// The program folder, the names of the configuration and key files, and the
// mouse control records (never stored; every start begins with the defaults).
class MConfig
{
  public:
    MConfig();

    MStr m_ProgramFolder;
    MStr m_ConfigFileName;
    MStr m_KeyFileName;
    MKeyState m_Controls[kMouseControlCount];

    // The folder of the running executable, ending in '/'.
    static MStr FindProgramFolder();
    static void DefaultControls(MKeyState controls[kMouseControlCount]);
};

// A colour value: red in the low byte, then green, then blue.
constexpr uint32_t MakeColourValue(int r, int g, int b)
{
    return uint32_t(r & 0xFF) | (uint32_t(g & 0xFF) << 8) | (uint32_t(b & 0xFF) << 16);
}
// The display colours' defaults, in table order: "Background", "Grid",
// "Object", "Object Selection", "Component", "Component Selection",
// "Normal Hilight", "Normal Lolight", "Select Box", "X Axis", "Y Axis", "Z Axis".
inline constexpr std::array<uint32_t, kDisplayColourCount> kDefaultColourValues = {
    MakeColourValue(102, 102, 102), MakeColourValue(76, 76, 76),  MakeColourValue(255, 255, 255),
    MakeColourValue(32, 255, 32),   MakeColourValue(32, 224, 32), MakeColourValue(230, 230, 32),
    MakeColourValue(255, 255, 0),   MakeColourValue(255, 127, 0), MakeColourValue(0, 255, 255),
    MakeColourValue(255, 0, 0),     MakeColourValue(0, 255, 0),   MakeColourValue(0, 0, 255),
};
// The default of one display colour; 0 out of range.
uint32_t DefaultColourValue(int index);

// The places of the display colours in the table.
enum MDisplayColour : int
{
    COLOUR_BACKGROUND = 0,
    COLOUR_GRID,
    COLOUR_OBJECT,
    COLOUR_OBJECT_SELECTION,
    COLOUR_COMPONENT,
    COLOUR_COMPONENT_SELECTION,
    COLOUR_NORMAL_HILIGHT,
    COLOUR_NORMAL_LOLIGHT,
    COLOUR_SELECT_BOX,
    COLOUR_X_AXIS,
    COLOUR_Y_AXIS,
    COLOUR_Z_AXIS,
};
// The configured value of a display colour, as views draw with it (red in
// the low byte); black out of range.
uint32_t GetDisplayColour(int index);
// The same as red, green and blue from 0 to 1, for glColor and glClearColor.
void GetDisplayColourRGB(int index, float rgb[3]);
void ResetDisplayColours();

// Registry names: 1 on success, 0 when the key cannot be opened.
int ReadRegistryNames(const MStr& keyPath);
int WriteRegistryNames(const MStr& keyPath);
// The configuration file: 1 on success, 0 when it cannot be opened.
int ReadConfigFile(const MStr& path);
int WriteConfigFile(const MStr& path);
// Applies a configuration file's bytes to the settings they name.
void ApplyConfigData(const char* data, size_t size);
// The configuration file's bytes for the present settings.
std::string FormatConfigData();

// Start-up and shutdown: registry, configuration file, actions, key file.
void LoadConfiguration();
void SaveConfiguration();

// Tool preference files: Prefs/Tools/<tool>.ascr under the program folder.
MStr GetToolPrefsPath(const MStr& toolName);
int ReadToolPrefStrings(const MStr& toolName, const MStr* names, MStr* results, int count);
int ReadToolPrefString(const MStr& toolName, const MStr& name, MStr& result);
struct MScriptVariable;
int ReadToolPrefVariables(const MStr& toolName, MScriptVariable* variables, int count);
int ReadToolPrefVariable(const MStr& toolName, MScriptVariable& variable);
int AppendToolPrefs(const MStr& toolName, const MStr* names, const MStr* values, int count);
int AppendToolPref(const MStr& toolName, const MStr& name, const MStr& value);
// Reads and logs the tool's variables; 1 when the file was found.
int OpenToolConfiguration(const MStr& toolName);
