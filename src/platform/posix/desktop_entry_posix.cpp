#include <fstream>
#include <sstream>

#include "platform/posix/desktop_entry.h"

namespace platform::posix {

namespace {

const char* const kGroup = "[Desktop Entry]";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// "%%" is a literal percent sign; other field codes stay as they are.
std::string resolvePercents(const std::string& word) {
    std::string out;
    for (size_t i = 0; i < word.size(); ++i) {
        out += word[i];
        if (word[i] == '%' && i + 1 < word.size() && word[i + 1] == '%') ++i;
    }
    return out;
}

// Reads one word starting at position (not a blank); answers it and moves
// position past it.
std::string readWord(const std::string& line, size_t& position) {
    std::string word;
    if (line[position] != '"') {
        while (position < line.size() && !isBlank(line[position])) word += line[position++];
        return resolvePercents(word);
    }
    ++position;
    while (position < line.size() && line[position] != '"') {
        const char c = line[position++];
        if (c == '\\' && position < line.size() &&
            std::string("\"`$\\").find(line[position]) != std::string::npos) {
            word += line[position++];
        } else {
            word += c;
        }
    }
    if (position < line.size()) ++position;  // the closing quote
    return resolvePercents(word);
}

size_t skipBlanks(const std::string& line, size_t position) {
    while (position < line.size() && isBlank(line[position])) ++position;
    return position;
}

// The key of a "key=value" line, or empty.
std::string keyOf(const std::string& line) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return {};
    return trim(line.substr(0, equals));
}

}  // namespace

std::string quoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return quoted + "\"";
}

std::vector<std::string> splitExecLine(const std::string& commandLine) {
    std::vector<std::string> words;
    for (size_t position = skipBlanks(commandLine, 0); position < commandLine.size();
         position = skipBlanks(commandLine, position)) {
        words.push_back(readWord(commandLine, position));
    }
    return words;
}

std::string escapeStringValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string unescapeStringValue(const std::string& value) {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            case '\\':
                text += '\\';
                break;
            default:
                text += '\\', text += value[i];
        }
    }
    return text;
}

DesktopEntry DesktopEntry::application(const std::string& name, const std::string& program,
                                       const std::string& arguments) {
    DesktopEntry entry;
    entry.lines_ = {kGroup, "Type=Application", "Version=1.0"};
    entry.setValue("Name", name);
    std::string exec = quoteExecArgument(program);
    if (!arguments.empty()) exec += " " + arguments;
    entry.setValue("Exec", exec);
    entry.setValue("Terminal", "false");
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    DesktopEntry entry;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        entry.lines_.push_back(line);
    }
    if (in.bad()) return std::nullopt;
    return entry;
}

std::optional<size_t> DesktopEntry::find(const std::string& key) const {
    bool inGroup = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string line = trim(lines_[i]);
        if (!line.empty() && line[0] == '[') {
            inGroup = line == kGroup;
        } else if (inGroup && !line.empty() && line[0] != '#' && keyOf(line) == key) {
            return i;
        }
    }
    return std::nullopt;
}

std::string DesktopEntry::value(const std::string& key) const {
    const auto index = find(key);
    if (!index) return {};
    const std::string& line = lines_[*index];
    return unescapeStringValue(trim(line.substr(line.find('=') + 1)));
}

void DesktopEntry::setValue(const std::string& key, const std::string& value) {
    const std::string line = key + "=" + escapeStringValue(value);
    if (const auto index = find(key)) {
        lines_[*index] = line;
        return;
    }
    // After the group's last key, so the entry stays one group.
    std::optional<size_t> groupEnd;
    bool inGroup = false;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string text = trim(lines_[i]);
        if (text.empty() || text[0] != '[') continue;
        if (inGroup) {
            groupEnd = i;
            break;
        }
        inGroup = text == kGroup;
    }
    if (!inGroup) {
        lines_.push_back(kGroup);
        lines_.push_back(line);
        return;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(groupEnd.value_or(lines_.size())),
                  line);
}

std::string DesktopEntry::program() const {
    const std::vector<std::string> words = splitExecLine(value("Exec"));
    return words.empty() ? std::string() : words.front();
}

void DesktopEntry::setProgram(const std::string& program) {
    const std::string exec = value("Exec");
    size_t position = skipBlanks(exec, 0);
    if (position < exec.size()) readWord(exec, position);
    setValue("Exec", quoteExecArgument(program) + exec.substr(position));
}

std::string DesktopEntry::text() const {
    std::ostringstream out;
    for (const auto& line : lines_) out << line << '\n';
    return out.str();
}

bool DesktopEntry::save(const std::string& path, platform::FileMode mode) const {
    return platform::replaceFileContent(path, text(), mode);
}

}  // namespace platform::posix
