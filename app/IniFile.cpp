#include "app/IniFile.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "app/SettingsPath.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/FileOps.h"
#include "platform/Notifier.h"
#include "platform/PathText.h"

namespace kerfmax {

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";
// A save holds the lock for one read and one write; a holder that keeps it
// this long is stuck, and the save is reported as failed rather than hang.
constexpr std::chrono::seconds kLockWait{10};

std::string_view Trim(std::string_view text)
{
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool IsHeader(std::string_view line)
{
    std::string_view trimmed = Trim(line);
    return !trimmed.empty() && trimmed.front() == '[';
}

// The name between '[' and the first ']'; none for a header without ']'.
std::optional<std::string_view> SectionName(std::string_view line)
{
    std::string_view trimmed = Trim(line);
    std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

std::optional<std::string_view> EntryKey(std::string_view line)
{
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, equals));
}

std::string_view EntryValue(std::string_view line)
{
    return Trim(line.substr(line.find('=') + 1));
}

// Index of the first line after the first header named section, or none.
std::optional<std::size_t> FindSectionBody(const std::vector<std::string>& lines, const std::string& section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsHeader(lines[i])) continue;
        auto name = SectionName(lines[i]);
        if (name && *name == section) return i + 1;
    }
    return std::nullopt;
}

// Index of the first entry of key in the section starting at body, or none;
// *sectionEnd receives the index of the next header (or the line count).
std::optional<std::size_t> FindEntry(const std::vector<std::string>& lines, std::size_t body, const std::string& key,
                                     std::size_t* sectionEnd)
{
    std::size_t i = body;
    for (; i < lines.size() && !IsHeader(lines[i]); ++i) {
        auto entryKey = EntryKey(lines[i]);
        if (entryKey && *entryKey == key) return i;
    }
    if (sectionEnd) *sectionEnd = i;
    return std::nullopt;
}

// A line break inside a key or value would split the entry into lines that
// could read as another entry or header; keep each entry on one line.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

// Opens for reading, creating a missing file empty and never truncating one.
std::FILE* OpenCreatingIfMissing(const std::filesystem::path& path, int* error)
{
    std::FILE* file = OpenFile(path, "a+b");
    if (file) {
        std::rewind(file);
        return file;
    }
    int createError = errno;
    file = OpenFile(path, "rb");  // a read-only file still reads
    if (!file) *error = errno == ENOENT ? createError : errno;
    return file;
}

// Appends every line without its LF or CR LF; a last line without one counts.
bool ReadLines(std::FILE* file, std::vector<std::string>& lines, int* error)
{
    std::string line;
    char buffer[65536];
    std::size_t count = 0;
    do {
        count = std::fread(buffer, 1, sizeof buffer, file);
        const char* at = buffer;
        const char* end = buffer + count;
        while (at < end) {
            const char* feed = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
            if (!feed) {
                line.append(at, end);
                break;
            }
            line.append(at, feed);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(std::move(line));
            line.clear();
            at = feed + 1;
        }
    } while (count == sizeof buffer);
    if (std::ferror(file)) {
        *error = errno;
        return false;
    }
    if (!line.empty()) {
        if (line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return true;
}

std::string SystemReason(int error)
{
    return error ? std::strerror(error) : "unknown error";
}

}  // namespace

int IniTextToInt(const std::string& text)
{
    std::size_t pos = 0;
    while (pos < text.size() && kBlanks.find(text[pos]) != std::string_view::npos) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        magnitude = std::min(limit, magnitude * 10 + (text[pos] - '0'));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// The owner sets the real path straight after construction; this placeholder
// name is never meant to be used.
CIniFile::CIniFile() : m_strPath("\\SetData.ini") {}

CIniFile::CIniFile(std::filesystem::path path, Notifier* notifier) : m_strPath(std::move(path)), m_notifier(notifier) {}

CIniFile::~CIniFile() = default;

void CIniFile::SetPath(std::filesystem::path path)
{
    m_strPath = std::move(path);
    m_lines.clear();
    m_bLoaded = false;
    m_bFailureReported = false;
}

void CIniFile::ReportOnce(const std::string& what, const std::string& reason)
{
    if (m_bFailureReported) return;
    m_bFailureReported = true;
    Notifier& notifier = m_notifier ? *m_notifier : DefaultNotifier();
    std::string where = m_strPath.empty() ? std::string() : " " + PathToUtf8(m_strPath);
    notifier.Notify("Cannot " + what + " settings file" + where + ": " + reason, NotifyIcon::Warning);
}

bool CIniFile::LoadLines()
{
    m_lines.clear();
    m_bLoaded = false;
    if (m_strPath.empty()) {
        ReportOnce("open", "the documents folder is unknown");
        return false;
    }
    int error = 0;
    std::FILE* file = OpenCreatingIfMissing(m_strPath, &error);
    if (!file) {
        const std::string folderError = error == ENOENT ? SettingsFolderError(m_strPath) : std::string();
        ReportOnce("open", folderError.empty() ? SystemReason(error) : folderError);
        return false;
    }
    bool ok = ReadLines(file, m_lines, &error);
    std::fclose(file);
    if (!ok) {
        m_lines.clear();
        ReportOnce("read", SystemReason(error));
        return false;
    }
    m_bLoaded = true;
    return true;
}

bool CIniFile::SaveLines()
{
    // Replacing the file by renaming would get past a read-only file; treat
    // that file as the user's wish to keep it, as a plain overwrite would.
    if (std::FILE* probe = OpenFile(m_strPath, "r+b")) {
        std::fclose(probe);
    } else if (errno != ENOENT) {
        ReportOnce("write", SystemReason(errno));
        return false;
    }
    std::string content;
    std::size_t size = 0;
    for (const std::string& line : m_lines) size += line.size() + 2;
    content.reserve(size);
    for (const std::string& line : m_lines) {
        content += line;
        content += "\r\n";
    }
    std::string error;
    if (WriteFileAtomically(m_strPath, content, &error)) return true;
    ReportOnce("write", error);
    return false;
}

void CIniFile::PutValue(const std::string& section, const std::string& key, const std::string& value)
{
    std::string entry = OneLine(key) + "=" + OneLine(value);
    auto body = FindSectionBody(m_lines, section);
    if (!body) {
        m_lines.push_back("[" + OneLine(section) + "]");
        m_lines.push_back(std::move(entry));
        return;
    }
    std::size_t sectionEnd = m_lines.size();
    if (auto found = FindEntry(m_lines, *body, key, &sectionEnd)) {
        m_lines[*found] = std::move(entry);
        return;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), std::move(entry));
}

std::string CIniFile::ReadString(const std::string& section, const std::string& key, const std::string& defaultText)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    LoadLines();
    auto body = FindSectionBody(m_lines, section);
    if (!body) return defaultText;
    auto found = FindEntry(m_lines, *body, key, nullptr);
    if (!found) return defaultText;
    return std::string(EntryValue(m_lines[*found]));
}

int CIniFile::ReadInt(const std::string& section, const std::string& key, int defaultValue)
{
    return IniTextToInt(ReadString(section, key, std::to_string(defaultValue)));
}

bool CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    return WriteEntries({{section, key, value}});
}

bool CIniFile::WriteEntries(const std::vector<IniEntry>& entries)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    const FileLock lock(m_strPath, kLockWait);
    if (lock.TimedOut()) {
        ReportOnce("write", lock.Error());
        return false;
    }
    // Read afresh under the lock so that nothing saved since our last read is
    // lost. Without a successful read the lines are not the file's: writing
    // them would throw away whatever the file holds.
    if (!LoadLines()) return false;
    for (const IniEntry& entry : entries) PutValue(entry.section, entry.key, entry.value);
    return SaveLines();
}

bool CIniFile::WriteInt(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

}  // namespace kerfmax
