#pragma once
// The per-user settings file: INI-style text kept as an array of lines. Every
// read reloads the whole file, every write rewrites it. Sections and keys are
// compared exactly (case-sensitive); the first matching section and, inside
// it, the first matching key win.
//
// A write takes a lock on the file that other processes (and other objects
// of this one) honour, reads the file afresh under it, changes its entries and
// rewrites the file once: a key another program saved meanwhile is kept. One
// object may be used from several threads.
//
// Failures never throw: a file that cannot be read gives the defaults, a file
// that cannot be written stays as it was, and the first failure for a path is
// reported once through the notifier.
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace kerfmax {

class Notifier;

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

class CIniFile {
public:
    CIniFile();
    explicit CIniFile(std::filesystem::path path, Notifier* notifier = nullptr);
    virtual ~CIniFile();

    void SetPath(std::filesystem::path path);
    const std::filesystem::path& Path() const { return m_strPath; }

    // Where failures are reported; nullptr (the default) means DefaultNotifier().
    void SetNotifier(Notifier* notifier) { m_notifier = notifier; }

    // The trimmed value, or defaultText when the section or the key is missing.
    std::string ReadString(const std::string& section, const std::string& key, const std::string& defaultText);
    // The leading decimal number of the value (0 when it does not begin with one).
    int ReadInt(const std::string& section, const std::string& key, int defaultValue);

    // Set the entry and rewrite the file. False when the file was not written.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);
    // Sets several entries, in order, with one read and one rewrite of the file.
    bool WriteEntries(const std::vector<IniEntry>& entries);

    // The lines as the last read or write left them (without line ends).
    // Not for use while another thread writes.
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    bool LoadLines();
    bool SaveLines();
    void PutValue(const std::string& section, const std::string& key, const std::string& value);
    void ReportOnce(const std::string& what, const std::string& reason);

    std::mutex m_mutex;  // the window's thread and a send's thread may both save
    std::filesystem::path m_strPath;
    std::vector<std::string> m_lines;
    Notifier* m_notifier = nullptr;
    bool m_bLoaded = false;  // the last LoadLines read the file (or made it)
    bool m_bFailureReported = false;
};

// Whole numbers in the file: optional leading white space, optional sign,
// decimal digits; anything else reads as 0. Saturates at the int range.
int IniTextToInt(const std::string& text);

}  // namespace kerfmax
