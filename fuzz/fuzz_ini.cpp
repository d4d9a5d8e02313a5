// INI reader: arbitrary bytes as a settings file, read key by key, then one write-back.
// Properties: decoding keeps the line ends, the lookups agree with each other, a written key reads back as written, and a
// write leaves every other key's value as it was.
#include "FuzzSupport.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

namespace {

bool sameName(std::string a, std::string b)
{
    auto lower = [](std::string& s) {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    lower(a);
    lower(b);
    return a == b;
}

std::string trimmed(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Section and key names that occur in the raw bytes, so lookups hit real lines.
std::vector<std::pair<std::string, std::string>> namesIn(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> names = {{"Weather", "LowTemp"},
                                                              {"Growth", "DataCount"}};
    std::string section;
    size_t start = 0;
    while (start < text.size() && names.size() < 16) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string t = trimmed(line);
        if (t.size() >= 2 && t.front() == '[' && t.find(']') != std::string::npos)
            section = trimmed(t.substr(1, t.find(']') - 1));
        else if (size_t eq = line.find('='); eq != std::string::npos)
            names.emplace_back(section, trimmed(line.substr(0, eq)));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return names;
}

const char* const kMissing = "\x01missing";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::ScratchDir() + "/fuzz.ini";
    fuzz::WriteFile(path, data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto names = namesIn(bytes);
    // Whatever the bytes, decoding keeps every line end, so no key is swallowed by the line
    // before it.
    const std::string text = DecodeFileText(bytes);
    if (std::count(text.begin(), text.end(), '\n') != std::count(bytes.begin(), bytes.end(), '\n'))
        fuzz::Fail("decoding lost or added a line end");

    std::vector<std::string> before;
    for (const auto& [section, key] : names) {
        std::string value = IniFile::ReadString(path, section, key, kMissing);
        const bool has = IniFile::HasKey(path, section, key);
        if (has != (value != kMissing))
            fuzz::Fail("HasKey disagrees with ReadString");
        if (has && IniFile::ReadInt(path, section, key, -7) != IniFile::ParseInt(value))
            fuzz::Fail("ReadInt disagrees with ParseInt of ReadString");
        before.push_back(std::move(value));
    }

    const std::string weather = "晴れ時々くもり";
    if (!IniFile::WriteKeys(path, "Weather", {{"Weather", weather}, {"LowTemp", "-3.5"}}))
        return 0;  // unreadable or not encodable: the file must then be unchanged (not checked here)
    if (IniFile::ReadString(path, "Weather", "Weather") != weather
        || IniFile::ReadString(path, "weather", "lowtemp") != "-3.5")
        fuzz::Fail("a written key does not read back");
    for (size_t i = 0; i < names.size(); ++i) {
        const auto& [section, key] = names[i];
        if (sameName(section, "Weather") && (sameName(key, "Weather") || sameName(key, "LowTemp")))
            continue;
        if (IniFile::ReadString(path, section, key, kMissing) != before[i]) {
            std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n", section.c_str(), key.c_str(),
                         before[i].c_str(), IniFile::ReadString(path, section, key, kMissing).c_str());
            fuzz::Fail("a write changed another key");
        }
    }
    return 0;
}
