#include "platform/IniFile.h"

#include "platform/Files.h"
#include "platform/TextCodec.h"

#include <sys/stat.h>

#include <cctype>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace {

struct Parsed {
    std::vector<std::string> lines;
    // Each line's bytes as read: a line the program does not change is written back exactly
    // as it was, even when it holds bytes that could not be decoded.
    std::vector<std::optional<std::string>> raw;
    bool bom = false;
    TextEncoding encoding = TextEncoding::Cp932;
    bool crlf = true;
};

std::mutex g_mutex;
constexpr off_t kMaxIniBytes = 4 << 20;

// Parsed files by path, valid while modification time and size are unchanged.
struct CacheEntry {
    timespec mtime{};
    off_t size = -1;
    std::shared_ptr<const Parsed> parsed;
};
std::map<std::string, CacheEntry> g_cache;

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::shared_ptr<const Parsed> parse(const std::string& bytes)
{
    auto p = std::make_shared<Parsed>();
    size_t bom = 0;
    p->encoding = DetectFileEncoding(bytes, &bom);
    p->bom = bom > 0;
    p->crlf = bytes.empty() || bytes.find("\r\n") != std::string::npos;
    // Lines are split on the raw bytes and decoded one by one: whatever a line holds, a bad
    // byte can never join it to the next.
    std::string_view raw(bytes);
    raw.remove_prefix(bom);
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\n', start);
        std::string_view line =
            raw.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        p->lines.push_back(DecodeText(line, p->encoding));
        p->raw.emplace_back(std::string(line));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return p;
}

// Caller holds g_mutex. Null when the file cannot be read.
std::shared_ptr<const Parsed> load(const std::string& path)
{
    struct stat st;
    // A settings or day file is a few hundred bytes; anything huge is not one of ours and is
    // neither read into memory nor rewritten.
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxIniBytes) {
        g_cache.erase(path);
        return nullptr;
    }
    auto it = g_cache.find(path);
    if (it != g_cache.end() && it->second.size == st.st_size && it->second.mtime.tv_sec == st.st_mtim.tv_sec
        && it->second.mtime.tv_nsec == st.st_mtim.tv_nsec)
        return it->second.parsed;
    std::string bytes;
    if (!ReadFileBytes(path, bytes))
        return nullptr;
    auto parsed = parse(bytes);
    // A file changed within the last two seconds may change again inside the file system's
    // timestamp granularity: such a file is not cached (it is simply read again next time).
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (st.st_mtim.tv_sec + 2 < now.tv_sec) {
        if (g_cache.size() > 512)
            g_cache.clear();
        g_cache[path] = CacheEntry{st.st_mtim, st.st_size, parsed};
    }
    return parsed;
}

bool sectionHeader(std::string_view line, std::string_view* name)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    *name = trim(line.substr(1, close - 1));
    return true;
}

bool keyLine(std::string_view line, std::string_view* key, std::string_view* value)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    *key = trim(line.substr(0, eq));
    *value = trim(line.substr(eq + 1));
    return true;
}

std::optional<std::string> find(const Parsed& p, std::string_view section, std::string_view key)
{
    bool in = false;
    for (const auto& line : p.lines) {
        std::string_view name, k, v;
        if (sectionHeader(line, &name)) {
            in = equalsNoCase(name, section);
            continue;
        }
        if (in && keyLine(line, &k, &v) && equalsNoCase(k, key)) {
            // A value quoted at both ends reads without its quotes.
            if (v.size() >= 2
                && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
                v = v.substr(1, v.size() - 2);
            return std::string(v);
        }
    }
    return std::nullopt;
}

// Removes the section whose header is lines[header] when nothing but blank lines is left in it:
// a section whose last key was deleted leaves no empty header behind.
void removeIfEmpty(Parsed& p, size_t header)
{
    size_t end = header + 1;
    std::string_view name;
    for (; end < p.lines.size() && !sectionHeader(p.lines[end], &name); ++end)
        if (!trim(p.lines[end]).empty())
            return;
    p.lines.erase(p.lines.begin() + static_cast<long>(header), p.lines.begin() + static_cast<long>(end));
    p.raw.erase(p.raw.begin() + static_cast<long>(header), p.raw.begin() + static_cast<long>(end));
}

// Applies one change to the lines; no value deletes the key.
void apply(Parsed& p, const IniFile::KeyChange& change)
{
    std::vector<std::string>& lines = p.lines;
    auto& raw = p.raw;
    const std::string& key = change.key;
    const std::optional<std::string>& value = change.value;
    bool in = false;
    bool sectionSeen = false;
    size_t header = 0;
    size_t insertAt = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (sectionHeader(lines[i], &name)) {
            if (in)
                break;
            in = equalsNoCase(name, change.section);
            if (in) {
                sectionSeen = true;
                header = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (!in)
            continue;
        if (keyLine(lines[i], &k, &v) && equalsNoCase(k, key)) {
            if (value) {
                lines[i] = std::string(k) + "=" + *value;
                raw[i].reset();
            } else {
                lines.erase(lines.begin() + static_cast<long>(i));
                raw.erase(raw.begin() + static_cast<long>(i));
                removeIfEmpty(p, header);
            }
            return;
        }
        if (!trim(lines[i]).empty())
            insertAt = i + 1;
    }
    if (!value)
        return;
    if (!sectionSeen) {
        lines.push_back("[" + change.section + "]");
        raw.emplace_back();
        insertAt = lines.size();
    }
    lines.insert(lines.begin() + static_cast<long>(insertAt), key + "=" + *value);
    raw.insert(raw.begin() + static_cast<long>(insertAt), std::nullopt);
}

std::vector<IniFile::KeyChange>
sectionChanges(std::string_view section, const std::vector<std::pair<std::string, const std::string*>>& keys)
{
    std::vector<IniFile::KeyChange> changes;
    for (const auto& [key, value] : keys)
        changes.push_back(
            {std::string(section), key, value ? std::optional<std::string>(*value) : std::nullopt});
    return changes;
}

}  // namespace

namespace IniFile {

int ParseInt(std::string_view text)
{
    text = trim(text);
    bool neg = false;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        neg = text[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 2147483647LL)
            v = 2147483647LL;  // clamp instead of overflowing on hand-edited values
    }
    return static_cast<int>(neg ? -v : v);
}

std::string ReadString(const std::string& path, std::string_view section, std::string_view key,
                       std::string_view def)
{
    std::lock_guard lock(g_mutex);
    auto p = load(path);
    if (!p)
        return std::string(def);
    auto v = find(*p, section, key);
    return v ? *v : std::string(def);
}

int ReadInt(const std::string& path, std::string_view section, std::string_view key, int def)
{
    std::lock_guard lock(g_mutex);
    auto p = load(path);
    if (!p)
        return def;
    auto v = find(*p, section, key);
    return v ? ParseInt(*v) : def;
}

bool HasKey(const std::string& path, std::string_view section, std::string_view key)
{
    std::lock_guard lock(g_mutex);
    auto p = load(path);
    return p && find(*p, section, key).has_value();
}

Result WriteString(const std::string& path, std::string_view section, std::string_view key,
                   std::string_view value)
{
    std::string v(value);
    return WriteChanges(path, sectionChanges(section, {{std::string(key), &v}}), {});
}

Result WriteInt(const std::string& path, std::string_view section, std::string_view key, int value)
{
    return WriteString(path, section, key, std::to_string(value));
}

Result WriteKeys(const std::string& path, std::string_view section,
                 const std::vector<std::pair<std::string, std::string>>& keys)
{
    std::vector<std::pair<std::string, const std::string*>> refs;
    for (const auto& [k, v] : keys)
        refs.emplace_back(k, &v);
    return WriteChanges(path, sectionChanges(section, refs), {});
}

Result DeleteKey(const std::string& path, std::string_view section, std::string_view key)
{
    return WriteChanges(path, sectionChanges(section, {{std::string(key), nullptr}}), {});
}

Result WriteChanges(const std::string& path, const std::vector<KeyChange>& changes,
                    const std::vector<std::pair<std::string, std::string_view>>& companions)
{
    // A line break in a name or value would write lines of its own: a key or a section that
    // the caller never meant, read back as the day's data.
    for (const auto& c : changes)
        if (!IniFile::IsOneLine(c.section) || !IniFile::IsOneLine(c.key)
            || (c.value && !IniFile::IsOneLine(*c.value)))
            return Result::Failed(Msg::TextNotStorable, path);
    std::lock_guard lock(g_mutex);
    auto old = load(path);
    if (!old && FileExists(path))
        return Result::Failed(Msg::FileReadFailed, path);  // never replace what could not be read
    Parsed p = old ? *old : Parsed{};
    for (const auto& c : changes)
        apply(p, c);
    const char* eol = p.crlf ? "\r\n" : "\n";
    std::string bytes = p.bom ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < p.lines.size(); ++i) {
        if (p.raw[i]) {
            bytes += *p.raw[i];
        } else {
            bool ok = true;
            bytes += EncodeFileText(p.lines[i], p.encoding, &ok);
            if (!ok)
                return Result::Failed(Msg::TextNotStorable, path);
        }
        bytes += eol;
    }
    // The companions replace their files first: the INI file, replaced last, never points at
    // what is not there yet.
    std::vector<std::pair<std::string, std::string_view>> files(companions);
    files.emplace_back(path, bytes);
    g_cache.erase(path);
    return WriteFilesAtomic(files);
}

bool IsOneLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string OneLine(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool inBreak = false;
    for (char c : text) {
        bool lineBreak = c == '\r' || c == '\n' || c == '\0';
        if (lineBreak && !inBreak)
            out += ' ';
        else if (!lineBreak)
            out += c;
        inBreak = lineBreak;
    }
    return out;
}

}  // namespace IniFile
