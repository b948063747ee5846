#pragma once

#include "MSystemManager.h"

#include <cstdio>
#include <string>

// Appends every log line to a file the user can attach to a report:
// $XDG_STATE_HOME/glazen/glazen.log (default ~/.local/state/glazen/). When the
// file grows past the limit, at opening or while it is written, its older
// half is dropped.
class MLogFile : public MOutputSink
{
  public:
    MLogFile() = default;
    MLogFile(const MLogFile&) = delete;
    MLogFile& operator=(const MLogFile&) = delete;
    ~MLogFile() override { Close(); }

    // Opens (making the folders) and marks the start of a run. False when the
    // file cannot be opened; the sink then writes nothing.
    bool Open(const std::string& path, long limitBytes = kDefaultLimit);
    void Close();
    bool IsOpen() const { return m_File != nullptr; }
    void WriteLine(const char* line) override;

    // The default log file path; empty when no state folder can be found.
    static std::string DefaultPath();
    static constexpr long kDefaultLimit = 4L << 20;

  private:
    std::FILE* m_File = nullptr;
    std::string m_Path;
    long m_Limit = kDefaultLimit;
};
