#pragma once

#include "MStr.h"

#include <cstdint>
#include <utility>
#include <vector>

// Access rights for MRegistry::OpenKey, numbered as the Windows registry
// numbers them, so callers can pass the masks they were written with
// (0x2001F is read and write).
enum : uint32_t
{
    MREG_QUERY_VALUE = 0x0001,
    MREG_SET_VALUE = 0x0002,
    MREG_CREATE_SUB_KEY = 0x0004,
    MREG_READ = 0x20019,
    MREG_WRITE = 0x20006,
    MREG_ALL_ACCESS = 0xF003F,
};

// Named text values kept per key, like the Windows registry's string values.
//
// Each key path ("Software\Orrick\Glazen\1.0\") is one small text file in the
// folder "glazen/registry" of the user's configuration folder
// ($XDG_CONFIG_HOME, or ~/.config when that is unset). The file name is the
// key path made safe: its parts (split at '\' or '/') in lower case, joined by
// '_', every character other than a-z, 0-9, '.' and '-' written as %XX.
// Key paths and value names match without regard to case.
//
// The file holds one "name=value" line per value, with '\' escapes for
// backslashes, line breaks, tabs, '=' in names and other control characters,
// so any text survives. A damaged file never fails a read: lines that make
// no sense are skipped.
//
// Each read and write goes to the file itself, so several MRegistry objects
// on one key see each other's values; writes replace the file whole.
class MRegistry
{
  public:
    MRegistry() = default;
    MRegistry(const MRegistry&) = delete;
    MRegistry& operator=(const MRegistry&) = delete;
    ~MRegistry() { CloseKey(); }

    // Opens a key for the given access. With create set a missing key is made
    // (with its folders); otherwise a missing key fails. Closes any key that
    // was open before. False when the key cannot be opened.
    bool OpenKey(const MStr& keyPath, uint32_t access, bool create);
    // Reads a value into value. False, leaving value unchanged, when no key is
    // open for reading, the value is missing or the key file cannot be read.
    bool ReadString(const MStr& name, MStr& value) const;
    // Sets a value, replacing one of the same name. False when no key is open
    // for writing or the file cannot be written (the old file then stays).
    bool WriteString(const MStr& name, const MStr& value);
    void CloseKey();

    bool IsOpen() const { return !m_File.IsEmpty(); }
    // The file of the open key; empty when none is open.
    const MStr& GetKeyFile() const { return m_File; }
    // Why the last failed OpenKey or WriteString failed.
    const MStr& GetLastError() const { return m_Error; }

    // "<configuration folder>/glazen/registry/"; empty when no configuration
    // folder can be found.
    static MStr GetRegistryFolder();
    // The file name a key path is kept under; empty for a path with no parts
    // or one too long for a file name.
    static MStr KeyFileName(const MStr& keyPath);

    // The file format, exposed for tests and tools.
    using ValueList = std::vector<std::pair<MStr, MStr>>;
    static MStr FormatKeyFile(const MStr& keyPath, const ValueList& values);
    static ValueList ParseKeyFile(std::string_view text);

  private:
    bool LoadValues(ValueList& values) const;

    MStr m_File;
    MStr m_KeyPath;
    uint32_t m_Access = 0;
    mutable MStr m_Error;
};
